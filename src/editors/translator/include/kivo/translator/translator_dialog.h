// TranslatorDialog: "Kivo Text and Speech Translator (Experimental
// Technology)", a thin view over the language library (LangTrans), the
// speech engine (kivo::speech, SpeechListening) and TranslationSave. The
// user types or loads a text, translates it offline, listens to either text
// in a chosen voice and speed, and saves the spoken translation as a
// translation record in the store the dialog was opened on.
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
#include "kivo/translation/lang_trans.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kivo::translator {

class BackgroundCall;
class SpeechListening;
class SpokenSaveRunner;
class TranslationSave;

inline constexpr const char* kTranslatorCaption =
    "Kivo Text and Speech Translator (Experimental Technology)";

class TranslatorDialog : public QDialog {
    Q_OBJECT
public:
    TranslatorDialog(sound::AudioBackend& backend, recorder::RecorderTarget target,
                     core::MessageReporter& reporter, QWidget* parent = nullptr);
    ~TranslatorDialog() override;

    // Reads the language table from data_folder; false after message 850
    // (no translation installed): the dialog must not be shown.
    bool Start(const std::filesystem::path& data_folder = translation::kDefaultDataFolder);
    // The text and subject to start with (from the Text To Speech dialog).
    void SetTexts(const QString& text, const QString& subject);
    // Loads a text file into "Text to be translated"; false when unreadable.
    bool LoadTextFile(const std::filesystem::path& path);

    void Translate();
    void Listen();
    void Save();

    bool saved() const { return saved_; }
    // Translate and Save run in the background; these say whether they are
    // still running (the dialog shows it too).
    bool translating() const;
    bool saving() const;

    void reject() override;

    // The controls, for tests and screenshots.
    QComboBox* language_box() const { return language_; }
    QComboBox* voice_box() const { return voice_; }
    QPlainTextEdit* source_edit() const { return source_; }
    QPlainTextEdit* translated_edit() const { return translated_; }
    QPushButton* listen_button() const { return listen_; }
    QPushButton* save_button() const { return save_; }
    QLineEdit* subject_edit() const { return subject_; }
    QSlider* speed_slider() const { return speed_; }

private:
    void BuildControls();
    void FillLanguages();
    void FillVoices();
    void BrowseForText();
    void SetBusy(bool busy);
    void SetTranslating(bool translating);
    void ShowTranslation(const translation::LanguageChoice& choice,
                         const translation::TranslationStatus& status,
                         const std::string& translated);
    void SetSaving(bool saving);
    void FinishSave(int result);
    const translation::LanguageChoice* SelectedChoice() const;

    sound::AudioBackend& backend_;
    recorder::RecorderTarget target_;
    core::MessageReporter& reporter_;
    translation::LangTrans library_;
    std::vector<speech::SpeechVoice> voices_;
    SpeechListening* listening_ = nullptr;
    BackgroundCall* translation_call_ = nullptr;
    SpokenSaveRunner* save_runner_ = nullptr;
    std::unique_ptr<recorder::RecordFiles> save_files_;
    std::unique_ptr<TranslationSave> pending_save_;
    std::string start_log_date_;
    std::string result_language_;
    std::string translation_code_;
    bool voice_found_ = false;
    bool saved_ = false;

    QComboBox* language_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QLineEdit* keywords_ = nullptr;
    QPlainTextEdit* source_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* translate_ = nullptr;
    QPlainTextEdit* translated_ = nullptr;
    QRadioButton* speak_original_ = nullptr;
    QRadioButton* speak_translated_ = nullptr;
    QComboBox* voice_ = nullptr;
    QPushButton* listen_ = nullptr;
    QSlider* speed_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kivo::translator
