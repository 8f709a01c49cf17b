// TextToSpeechDialog: "Kivo Text To Speech" - a typed or loaded text spoken
// in a chosen voice and speed, listened to through the audio backend, and
// saved as a dictation or a meeting (SpeechRecordSave). "&Translate" opens
// the translator with the text and subject.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kivo/core/user_messages.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend.h"
#include "kivo/speech/speech_voices.h"
#include "kivo/translator/speech_record_save.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace kivo::translator {

class SpeechListening;
class SpokenSaveRunner;

inline constexpr const char* kTextToSpeechCaption = "Kivo Text To Speech";

class TextToSpeechDialog : public QDialog {
    Q_OBJECT
public:
    TextToSpeechDialog(sound::AudioBackend& backend, recorder::RecorderTarget target,
                       core::MessageReporter& reporter, QWidget* parent = nullptr);
    ~TextToSpeechDialog() override;

    void Listen();
    void Save(SpokenRecordKind kind);
    void OpenTranslator();
    bool LoadTextFile(const std::filesystem::path& path);

    // A record was saved here or in the translator opened from here.
    bool saved() const { return saved_; }
    // Saving runs in the background (speech can take seconds to write).
    bool saving() const;
    void reject() override;

    QComboBox* voice_box() const { return voice_; }
    QPlainTextEdit* text_edit() const { return text_; }
    QLineEdit* subject_edit() const { return subject_; }
    QPushButton* listen_button() const { return listen_; }

private:
    void BuildControls();
    void SetListening(bool listening);
    void SetSaving(bool saving);
    void FinishSave(int result);

    sound::AudioBackend& backend_;
    recorder::RecorderTarget target_;
    core::MessageReporter& reporter_;
    std::vector<speech::SpeechVoice> voices_;
    SpeechListening* listening_ = nullptr;
    SpokenSaveRunner* save_runner_ = nullptr;
    std::unique_ptr<recorder::RecordFiles> save_files_;
    std::unique_ptr<SpeechRecordSave> pending_save_;
    std::string start_log_date_;
    bool saved_ = false;

    QComboBox* voice_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* listen_ = nullptr;
    QPushButton* save_dictation_ = nullptr;
    QPushButton* save_meeting_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* translate_ = nullptr;
    QSlider* speed_ = nullptr;
};

}  // namespace kivo::translator
