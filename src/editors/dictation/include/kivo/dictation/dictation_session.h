// DictationSession: everything the "Dictation Recorder" does, without
// widgets; the recorder kit's first user. It records a new dictation into an
// editable wave, plays it back, keeps the index marks in step with inserts
// and cuts, and hands saving to DictationSave and the opening of a stored
// dictation to StoredDictation.
//
// It opens in one of four ways: an empty new recording (Open), a finished
// wave to review and trim as a new dictation (OpenFromWave), a take
// recovered after a crash, with its subject, keywords, marks, picture and
// times (OpenRecovered), or a stored dictation to change (OpenStored), which
// is saved back into its own container and record line.
//
// While there is audio the store does not have, a take journal in the
// target's takes folder keeps it, with the subject, keywords, marks,
// picture and times (recorder::TakeKeeper), so a crash, a kill or a power
// cut leaves the recording behind for TakeRecovery to offer at the next
// start. The journal goes when the recording is saved or the user discards
// it; every other way out keeps it.
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
#include <optional>
#include <string>
#include <vector>

#include "kivo/audio/wave_document.h"
#include "kivo/core/record_update.h"
#include "kivo/dictation/stored_dictation.h"
#include "kivo/recorder/close_question.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_marks.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recorder/take_keeper.h"

namespace kivo::core {
class DataStoreSession;
class MessageReporter;
}  // namespace kivo::core

namespace kivo::recorder {
struct RecoveredTake;
}

namespace kivo::dictation {

// Where a new dictation is saved.
using DictationTarget = recorder::RecorderTarget;
using recorder::CloseOutcome;
using recorder::kJournalSyncInterval_ms;
using recorder::RecorderMark;

enum class TransportState {
    kEmpty = 0,  // opened, nothing recorded yet
    kRecording = 1,
    kStopped = 2,  // has audio
    kReview = 3,   // opened with a finished wave
    kPlaying = 4,
};

// How the session was opened.
enum class DictationMode { kNewRecording, kNewFromWave, kEdit };

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

class DictationSession : public QObject {
    Q_OBJECT
public:
    DictationSession(sound::AudioBackend& backend, DictationTarget target,
                     core::MessageReporter& reporter, QObject* parent = nullptr);
    ~DictationSession() override;

    // Opens an empty recording in the RecQual format. 0, or the message
    // code shown (202: no recording device).
    int Open();
    // Opens a finished wave as a new dictation: the wave is copied over the
    // temporary wave and shown for review (state 3, "Record Insert" on),
    // with start and end now and the wave's length as the duration. 0, or
    // the message code shown (200: the wave cannot be opened).
    int OpenFromWave(const std::filesystem::path& wave);
    // Opens a recovered take as a new dictation, as OpenFromWave, with the
    // take's original start and end, subject, keywords, picture and the
    // marks that fall within its audio.
    int OpenRecovered(const recorder::RecoveredTake& take);
    // Opens the stored dictation of a container ("D" + stamp + ".xrz") for
    // editing: recording, record line, keywords, marks and picture. store is
    // the session holding the target's data store; the save is bound to the
    // store it holds now, and is refused (109) should it hold another by
    // then. 0, or the message code shown: the container's (108), 113 an
    // unreadable record line, 6 a locked record (nothing is changed), 202
    // the recording cannot be opened. After a non-zero result the session
    // only closes.
    int OpenStored(const std::string& container_name, core::DataStoreSession& store);
    DictationMode mode() const { return mode_; }

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

    // The cut positions (clamped to the length). While stopped the
    // position moves to the one set, so it shows where Play starts
    // (cut-from) or Record records (cut-to).
    void SetCutFrom(std::int64_t ms);
    void SetCutTo(std::int64_t ms);
    std::int64_t cut_from_ms() const { return cut_from_ms_; }
    std::int64_t cut_to_ms() const { return cut_to_ms_; }
    bool CanCut() const;

    // The start and end sliders (one step a second; see SliderSeconds).
    // Dragging sets cut-from or cut-to to the slider's second; while
    // recording or playing it also marks the user as dragging, which keeps
    // the position text on the slider. Releasing the start slider seeks to
    // the slider's second, or the end when that is earlier, and makes the
    // position reached the cut-from position; releasing the end slider sets
    // cut-to. Releasing ends the dragging.
    void DragStartSlider(int seconds);
    void DragEndSlider(int seconds);
    void ReleaseStartSlider(int seconds);
    void ReleaseEndSlider(int seconds);
    bool user_dragging() const { return user_dragging_; }
    // Puts the insert point at ms (clamped to the length), as a click on
    // the position bar does while stopped: cut-from and cut-to both go
    // there, so Play plays from there to the end and Record records there.
    // Ignored while recording or playing.
    void SetInsertPoint(std::int64_t ms);
    // Removes [cut-from, cut-to); marks inside go, later marks move back.
    // The range is then reset (as Reset does), so Play plays the whole
    // recording and Cut is off until a new range is set.
    bool Cut();
    // Cut-from 0, cut-to the length.
    void Reset();

    // Adds a mark at the current position. False while nothing can be marked.
    bool AddMark(std::string_view comment);
    bool EditMarkComment(std::size_t row, std::string_view comment);
    // The marks in time order (during an insert, those made before it).
    std::vector<RecorderMark> Marks() const;

    // Re-sorts the marks by time stamp (the list's header click).
    void SortMarks();

    // The texts and picture the user gives; each change reaches the take
    // journal within about a second.
    void set_subject(std::string subject);
    void set_keywords(std::string keywords);
    const std::string& subject() const { return subject_; }
    const std::string& keywords() const { return keywords_; }
    // A GIF or JPEG file to attach (copied into the working folder on save);
    // empty for none (a stored picture is then removed on save).
    void set_picture_path(std::filesystem::path path);
    const std::filesystem::path& picture_path() const { return picture_path_; }
    // "Start Time" and "End Time" of an opened wave or stored record
    // ("dd/mm/yyyy HH:MM:SS"); empty for a new recording until it starts.
    const std::string& start_text() const { return start_log_date_; }
    const std::string& end_text() const { return end_log_date_; }
    void SelectInputDevice(const QByteArray& device_id);

    std::int64_t position_ms() const { return document_.position_ms(); }
    std::int64_t length_ms() const { return document_.length_ms(); }
    // New modes: there is audio that is not in the store. Edit mode: the
    // recording, marks, subject, keywords or picture were changed.
    bool has_unsaved_recording() const;
    bool saved() const { return saved_; }
    // Whether the recorder still holds its recording: false once a save or
    // close let it go, true after a save that failed and could keep the
    // recording nowhere else (the dialog then stays open).
    bool recording_open() const { return document_.is_open(); }
    // Whether Record has been used in this session (the recording source
    // can be chosen only before that).
    bool has_recorded() const { return took_a_take_; }
    // The record number of the saved or edited record; 0 before a new
    // record is saved.
    std::int32_t record_number() const { return record_number_; }
    // The stamp naming the record's files ("D" + stamp + ".xrz").
    const std::string& stamp() const { return files_.stamp(); }
    std::string ContainerName() const { return files_.container_name(); }
    // The take journal while one is kept (empty otherwise).
    std::filesystem::path JournalPath() const { return keeper_.journal_path(); }
    // The size of the journal's audio at its last sync to disk; 0 without
    // a journal.
    std::uint64_t JournalSyncedBytes() const { return keeper_.synced_bytes(); }
    // Whether the journal holds the latest subject, keywords, marks and
    // picture.
    bool JournalDetailsWritten() const { return keeper_.details_written(); }

    // Saves the record (a new one, or the edited one in its place). 0, or
    // the message code reported (108, 109, 110). Temporary files are
    // deleted whatever the result; when nothing reached the store (108,
    // 109) the recorded audio is kept for recovery at the next start, as
    // CloseKeepingTake does, and the user is told so.
    int Save();
    // The user closes: stops, and with an unsaved recording asks message 1;
    // Yes saves, No discards. Temporary files are deleted either way.
    CloseOutcome Close();
    // The program must end now (a termination signal) and nobody can be
    // asked: stops, leaves an unsaved recording's take journal in the takes
    // folder, synced, where TakeRecovery finds it at the next start, and
    // deletes the other temporary files. A journal that missed audio (a
    // write failed) is replaced by one of the whole recording. False when
    // there was unsaved audio that could not be kept. A session destroyed
    // without being closed keeps its take the same way.
    bool CloseKeepingTake();

    audio::WaveDocument& document() { return document_; }

signals:
    void stateChanged();
    void marksChanged();
    void inputLevelsMeasured(int left, int right);

private:
    int OpenReview(const std::filesystem::path& wave, std::string start_log_date,
                   std::string end_log_date);
    void EnterState(TransportState state);
    void OnPlaybackFinished();
    int Fail(int code);
    void MarksChanged();
    // Audio that is in no store: a new recording, or an edit's new audio.
    bool HasUnsavedAudio() const;
    // Passes what the journal keeps besides the audio on to it.
    void UpdateJournalDetails();
    int SaveFiles();
    void DeleteTemporaryFiles();

    audio::WaveDocument document_;
    DictationTarget target_;
    core::MessageReporter& reporter_;
    DictationMode mode_ = DictationMode::kNewRecording;
    TransportState state_ = TransportState::kEmpty;
    recorder::RecordFiles files_;
    std::int32_t record_number_ = 0;
    recorder::TakeKeeper keeper_;

    // Edit mode: the record as stored, and the update bound to its store.
    StoredDictation stored_;
    std::optional<core::RecordUpdater> updater_;
    bool audio_changed_ = false;
    bool marks_changed_ = false;

    bool record_insert_ = false;
    bool recorded_ = false;  // holds audio the store does not have yet
    bool took_a_take_ = false;
    bool saved_ = false;
    bool cut_allowed_ = false;
    bool user_dragging_ = false;
    bool cut_to_set_ = false;
    std::int64_t cut_from_ms_ = 0;
    std::int64_t cut_to_ms_ = 0;
    std::int64_t insert_start_ms_ = 0;
    bool inserting_ = false;

    recorder::RecorderMarks marks_;
    recorder::RecorderMarks marks_during_insert_;

    std::string subject_;
    std::string keywords_;
    std::filesystem::path picture_path_;
    std::string start_log_date_;  // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date_;
};

// The range of the start and end sliders and of the position bar for a
// recording of length_ms: whole seconds, at least 1 (an empty recording
// has 0..1).
int SliderSeconds(std::int64_t length_ms);

}  // namespace kivo::dictation
