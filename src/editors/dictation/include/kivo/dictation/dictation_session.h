// DictationSession: everything the "Dictation Recorder" does, without
// widgets. It records a new dictation into an editable wave, plays it back,
// keeps the index marks in step with inserts and cuts, and saves the record
// into the open data store: the record number from the profile, the wave,
// the index-mark file and the record line into a recording container
// through XRsaveR, then the search fields through Zn2IndexAdd.
//
// The dialog shows the state (ButtonStates), polls position_ms() from a
// timer while recording or playing, and passes every command on. Questions
// and errors go through the MessageReporter by message code. Every
// temporary file the session makes in the working folder is deleted on
// every way out (saved, save failed, discarded, destroyed).
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kivo/audio/wave_document.h"
#include "kivo/dictation/dictation_marks.h"

namespace kivo::shell {
class MessageReporter;
class ProfileFile;
}  // namespace kivo::shell

namespace kivo::dictation {

// Where a new dictation is saved.
struct DictationTarget {
    std::filesystem::path working_folder;   // the open store's working folder
    std::filesystem::path store_path;       // the data store (".xrt")
    shell::ProfileFile* profile = nullptr;  // hands out the record number ("RecID")
    std::string profile_section;
    int recording_quality = 0;  // RecQual, 0-3
};

enum class TransportState {
    kEmpty = 0,  // opened, nothing recorded yet
    kRecording = 1,
    kStopped = 2,  // has audio
    kPlaying = 4,
};

// Which controls are enabled in a state.
struct ButtonStates {
    bool cancel = false;
    bool ok = false;
    bool mark = false;
    bool rewind = false;
    bool play = false;
    bool stop = false;
    bool fast_forward = false;
    bool record = false;
    bool cut = false;
    bool positions = false;  // sliders and spins
};

// The result of a close request.
enum class CloseOutcome { kSaved, kDiscarded, kSaveFailed };

class DictationSession : public QObject {
    Q_OBJECT
public:
    DictationSession(audio::AudioBackend& backend, DictationTarget target,
                     shell::MessageReporter& reporter, QObject* parent = nullptr);
    ~DictationSession() override;

    // Opens an empty recording in the RecQual format. 0, or the message
    // code shown (202: no recording device).
    int Open();

    TransportState state() const { return state_; }
    ButtonStates Buttons() const;

    // Records at the cut-to position (the end after a recording), inserting
    // when record_insert is set and overwriting otherwise. 0 or 202.
    int Record();
    void set_record_insert(bool insert) { record_insert_ = insert; }
    bool record_insert() const { return record_insert_; }
    void Stop();
    // Plays from cut-from to cut-to. 0 or the audio error.
    int Play();
    void Rewind();
    void FastForward();

    // The cut positions (clamped to the length).
    void SetCutFrom(std::int64_t ms);
    void SetCutTo(std::int64_t ms);
    std::int64_t cut_from_ms() const { return cut_from_ms_; }
    std::int64_t cut_to_ms() const { return cut_to_ms_; }
    bool CanCut() const;
    // Removes [cut-from, cut-to); marks inside go, later marks move back.
    bool Cut();
    // Cut-from 0, cut-to the length.
    void Reset();

    // Adds a mark at the current position. False while nothing can be marked.
    bool AddMark(std::string_view comment);
    bool EditMarkComment(std::size_t row, std::string_view comment);
    // The marks in time order (during an insert, those made before it).
    std::vector<DictationMark> Marks() const;

    void set_subject(std::string subject) { subject_ = std::move(subject); }
    void set_keywords(std::string keywords) { keywords_ = std::move(keywords); }
    // A GIF or JPEG file to attach (copied into the working folder on save);
    // empty for none.
    void set_picture_path(std::filesystem::path path) { picture_path_ = std::move(path); }
    const std::filesystem::path& picture_path() const { return picture_path_; }
    void SelectInputDevice(const QByteArray& device_id);

    std::int64_t position_ms() const { return document_.position_ms(); }
    std::int64_t length_ms() const { return document_.length_ms(); }
    bool has_unsaved_recording() const { return recorded_ && !saved_; }
    bool saved() const { return saved_; }
    // The record number of the saved record; 0 before a save.
    std::int32_t record_number() const { return record_number_; }
    // The stamp naming the record's files ("D" + stamp + ".xrz").
    const std::string& stamp() const { return stamp_; }
    std::string ContainerName() const;

    // Saves the record. 0, or the message code reported (108, 109, 110).
    // Temporary files are deleted whatever the result.
    int Save();
    // The user closes: stops, and with an unsaved recording asks message 1;
    // Yes saves, No discards. Temporary files are deleted either way.
    CloseOutcome Close();

    audio::WaveDocument& document() { return document_; }

signals:
    void stateChanged();
    void marksChanged();
    void inputLevelsMeasured(int left, int right);

private:
    std::filesystem::path TempPath(std::string_view extension) const;
    void EnterState(TransportState state);
    void OnPlaybackFinished();
    int SaveFiles();
    void DeleteTemporaryFiles();

    audio::WaveDocument document_;
    DictationTarget target_;
    shell::MessageReporter& reporter_;
    TransportState state_ = TransportState::kEmpty;
    std::string stamp_;
    std::int32_t record_number_ = 0;

    bool record_insert_ = false;
    bool recorded_ = false;
    bool saved_ = false;
    bool cut_allowed_ = false;
    bool cut_to_set_ = false;
    std::int64_t cut_from_ms_ = 0;
    std::int64_t cut_to_ms_ = 0;
    std::int64_t insert_start_ms_ = 0;
    bool inserting_ = false;

    DictationMarks marks_;
    DictationMarks marks_during_insert_;

    std::string subject_;
    std::string keywords_;
    std::filesystem::path picture_path_;
    std::string start_log_date_;  // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date_;
};

}  // namespace kivo::dictation

namespace kivo::dictation {
// The RecQual value of the profile section: 0 to 3; anything else reads as 0.
int ReadRecordingQuality(const shell::ProfileFile& profile, std::string_view section);
}  // namespace kivo::dictation
