// SpanRecording: a new recording made in spans, the transport the meeting
// and diary recorders share. PICKUP starts recording (again after STOP),
// PAUSE holds it and resumes it, STOP ends it; every span is appended at the
// end, so the recording's length is the total of the recorded spans. Marks
// are taken at that total ("Duration").
//
// The audio is never held in memory: the wave document keeps it in a
// scratch file and every take goes to a take journal in the target's takes
// folder as it arrives (TakeKeeper), with the subject, keywords, marks and
// picture, so hours of meeting cost no more memory than a minute and a
// crash leaves the recording for TakeRecovery to offer.
//
// Buttons (PICKUP, PAUSE, STOP, MARK, OK, CANCEL) follow the state:
//   opened     PICKUP CANCEL
//   recording  PAUSE STOP MARK      (also while paused)
//   stopped    PICKUP OK CANCEL
//
// Save completes the recorder's NewRecord with what every span recorder
// fills alike (container, start, end, duration, quality, marks, picture,
// keywords) and hands it to NewRecordSave. Errors are reported by message
// code through the MessageReporter; temporary files are deleted on every
// way out.
#pragma once

#include <QObject>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/audio/wave_document.h"
#include "kivo/recorder/close_question.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_kind.h"
#include "kivo/recorder/recorder_marks.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recorder/take_keeper.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::recorder {

struct RecoveredTake;

enum class SpanState { kOpened, kRecording, kPaused, kStopped };

struct SpanButtons {
    bool pickup = false;
    bool pause = false;
    bool stop = false;
    bool mark = false;
    bool ok = false;
    bool cancel = false;
};

class SpanRecording : public QObject {
    Q_OBJECT
public:
    SpanRecording(sound::AudioBackend& backend, RecorderTarget target,
                  core::MessageReporter& reporter, RecorderKind kind, QObject* parent = nullptr);
    // A recording nobody closed keeps its take for the next start.
    ~SpanRecording() override;

    // Opens an empty recording in the RecQual format. 0, or 202 (reported).
    int Open();
    // Opens a take that an earlier run left (take_recovery.h) as this new
    // recording, stopped, with the take's times, subject, keywords, marks
    // and picture; PICKUP records on at its end. Its journal starts at
    // once, so a second crash loses nothing either. 0, or 200 (reported).
    int OpenRecovered(const RecoveredTake& take);

    // Starts a span. The first PICKUP notes the start. 0, or 202 (the
    // recorder's own error text is shown).
    int Pickup();
    // While recording: holds the span (the audio so far stays); again:
    // starts the next span.
    void Pause();
    void Stop();

    SpanState state() const { return state_; }
    SpanButtons Buttons() const;
    bool running() const { return state_ == SpanState::kRecording || state_ == SpanState::kPaused; }

    // The total of the recorded spans, the current one included.
    std::int64_t duration_ms() const { return document_.length_ms(); }

    // A mark at the current duration; only while recording or paused.
    bool AddMark(std::string_view comment);
    bool EditMarkComment(std::size_t row, std::string_view comment);
    const std::vector<RecorderMark>& marks() const { return marks_.marks(); }

    void set_subject(std::string subject);
    void set_keywords(std::string keywords);
    void set_picture_path(std::filesystem::path path);
    const std::string& subject() const { return subject_; }
    const std::string& keywords() const { return keywords_; }
    const std::filesystem::path& picture_path() const { return picture_path_; }
    // "dd/mm/yyyy HH:MM:SS"; empty before the first PICKUP, and the end while
    // running.
    const std::string& start_text() const { return start_log_date_; }
    const std::string& end_text() const { return end_log_date_; }

    bool has_unsaved_recording() const { return recorded_ && !saved_; }
    bool saved() const { return saved_; }
    // Whether the recording is still held: false once a save or close let
    // it go, true after a save that failed and could keep the recording
    // nowhere else (the dialog then stays open).
    bool recording_open() const { return document_.is_open(); }
    std::int32_t record_number() const { return record_number_; }
    const RecordFiles& files() const { return files_; }
    const RecorderTarget& target() const { return target_; }
    std::filesystem::path JournalPath() const { return keeper_.journal_path(); }
    audio::WaveDocument& document() { return document_; }

    // Saves record (the kind's fields and log; the rest is filled here). 0,
    // or the message code reported (108, 109, 110). When nothing reached the
    // store the audio is kept for recovery at the next start.
    int Save(NewRecord record);
    // The user closes: stops; with an unsaved recording asks message 1 and
    // saves through save (the recorder's Save) on Yes.
    CloseOutcome Close(std::function<int()> save);
    // The program must end now: leaves an unsaved recording's take for the
    // next start. False when it could not be kept.
    bool CloseKeepingTake();

signals:
    void stateChanged();
    void marksChanged();
    void inputLevelsMeasured(int left, int right);

private:
    int StartSpan();
    void EnterState(SpanState state);
    void UpdateJournalDetails();
    void DeleteTemporaryFiles();

    audio::WaveDocument document_;
    RecorderTarget target_;
    core::MessageReporter& reporter_;
    RecordFiles files_;
    TakeKeeper keeper_;
    SpanState state_ = SpanState::kOpened;
    RecorderMarks marks_;
    std::string subject_;
    std::string keywords_;
    std::filesystem::path picture_path_;
    std::string start_log_date_;
    std::string end_log_date_;
    bool recorded_ = false;
    bool saved_ = false;
    std::int32_t record_number_ = 0;
};

}  // namespace kivo::recorder
