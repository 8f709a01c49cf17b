// CallRecorder: everything the "Phone Recorder" does, without widgets. The
// user places a call (or answers the call they took from the incoming-call
// window), records the conversation through the line in one or more takes
// (PICKUP, PAUSE, STOP), hangs up, and saves the call as a phone record of
// kind "3" (recorded_call_record.h) through the recorder kit.
//
// The call runs on the telephony library: the host passes it the library's
// messages (HandleMessage) and calls Refresh about five times a second while
// the dialog is open (the in-call loop: duration, cost, time left, alarm,
// level, the caller's identity). The library's own recorder records the
// call into "buffer.wav" (the take) and "data.wav" (the takes so far) in the
// working folder; when the call ends they are wrapped at once into the
// record's wave B.xrw, so that a call the answering machine takes before
// the user presses OK cannot take the recording over.
//
// While the user holds a recorded call (from the first PICKUP until it is
// saved or discarded) its audio and details are kept in a take journal
// (call_take_journal.h) in the target's takes folder: a crash leaves the
// call for the next start, which gives it back through StartRecovered.
//
// Times: the duration counts from the moment the call is connected (the
// record's start); marks are taken at the length of the audio recorded so
// far, so that each one points at the words it marks.
//
// Profile values: "PhoneCost" (cost per minute; missing or unreadable: no
// cost), "Currency" (written as the pound sign when missing), "Silence"
// (written as "5" when missing, at the first PICKUP), "HighLight" (read
// when the recorder is made: any value but "N" shows the cost and the time
// left highlighted; missing reads as "N"), "PhWarn" (read when the user
// takes a call: "Y" plays the store's warning message, "xrwarn.wav" of the
// working folder, to the caller as soon as the call is connected; missing
// reads as "N").
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/phone/call_take_journal.h"
#include "kivo/phone/phone_recorder_buttons.h"
#include "kivo/recorder/close_question.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_marks.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recorder/running_cost.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/telephony/tapi_library.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::phone {

// Longest phone number the recorder dials.
inline constexpr std::size_t kDialNumberMaxChars = 20;

// What one pass of the in-call loop shows.
struct CallFigures {
    std::string duration_text = "00:00:00";
    std::string cost_text;        // empty without a cost per minute
    std::string time_left_text;   // empty without a time limit
    bool over_limit = false;      // the time left is negative
    bool alarm = false;           // the limit was reached now and "Alarm On" is set
    int level = 0;                // 0..99, the caller's last 200 ms while recording
    bool caller_arrived = false;  // the line has just told who is on the call
};

class CallRecorder {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // target: bound to the store the recorder saves into (BindToSession).
    CallRecorder(telephony::TapiLibrary& library, recorder::RecorderTarget target,
                 core::MessageReporter& reporter, Clock clock = std::chrono::steady_clock::now);
    // An unsaved recording's temporary files go; a call still up is left to
    // the line (Close hangs up first).
    ~CallRecorder();
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    // DIAL: answers the incoming call the user took, or else dials number
    // (cut to kDialNumberMaxChars). An unsaved recording is offered for
    // saving first (message 1). Refused with message 15 during a call, 16
    // while the answering machine is on, 17 when the line is not monitored;
    // a failed dial or answer shows the telephony error box. True when the
    // call is being placed or answered.
    bool Dial(std::string_view number);
    // PICKUP: starts a take. False (error box) when the line cannot record.
    bool Pickup();
    // PAUSE: holds the take, or resumes it.
    void Pause();
    // STOP: ends the take; the call stays up.
    void Stop();
    // HANGUP: stops recording and drops the call.
    void HangUp();
    // The line is closed (monitoring stopped): the call is over.
    void LineClosed();

    // A library message (ZN2TAPI_MSG_*); false for one it does not use.
    bool HandleMessage(int message);
    // One pass of the in-call loop.
    CallFigures Refresh();

    // MARK: a mark at the recorded length with the comment (cut to 50
    // bytes at a character boundary). False outside a recording or when the marks are full.
    bool AddMark(std::string_view comment);
    const std::vector<recorder::RecorderMark>& marks() const { return marks_.marks(); }

    // A call left by a crash, as the journal kept it: the recorder holds it
    // as an ended call (its duration the length of its audio) for the user
    // to save, with its own journal of it. False when the audio cannot be
    // had or an unsaved call is held already.
    bool StartRecovered(const recorder::RecoveredTake& take);
    // Whether the call's journal is kept (a crash would not lose it).
    bool journal_kept() const { return journal_ != nullptr; }

    // OK: stores the recorded call. 0, or the message code reported.
    int Save();
    // The user closes: a call still up is hung up; an unsaved recording is
    // offered for saving (message 1).
    recorder::CloseOutcome Close();

    // Fields the user may edit.
    void set_caller_name(std::string name) { caller_name_ = std::move(name); }
    void set_caller_number(std::string number) { caller_number_ = std::move(number); }
    void set_keywords(std::string keywords) { keywords_ = std::move(keywords); }
    // "HH:MM" of call time after which the alarm sounds; empty for none.
    void set_time_limit(std::string limit);
    void set_alarm_on(bool on) { alarm_on_ = on; }
    // Cost per minute and currency, also written to the profile.
    void ApplyCostSettings(std::optional<double> cost_per_minute, std::string currency);

    CallStage stage() const { return stage_; }
    PhoneRecorderButtons Buttons() const { return ButtonsFor(stage_, has_unsaved_recording()); }
    bool in_call() const;
    bool highlight() const { return highlight_; }
    bool has_unsaved_recording() const { return recorded_ && !saved_ && !discarded_; }
    bool saved() const { return saved_; }
    std::int32_t record_number() const { return record_number_; }
    const std::string& caller_name() const { return caller_name_; }
    const std::string& caller_number() const { return caller_number_; }
    const std::string& keywords() const { return keywords_; }
    const std::string& last_number() const { return last_number_; }
    const std::optional<double>& cost_per_minute() const { return cost_per_minute_; }
    const std::string& currency() const { return currency_; }
    const std::string& start_log_date() const { return start_log_date_; }
    const std::string& end_log_date() const { return end_log_date_; }
    std::int64_t recorded_ms() const;

private:
    bool Refuses();
    void PrepareRecord();
    void CallConnected();
    void PlayWarning();
    void CallEnded(bool drop);
    void TakeCallerIdentity();
    std::int64_t call_ms() const;
    CallFigures Figures() const;
    void Discard();
    bool Failed();
    // The takes so far hold no sound (read once the last take is stopped).
    bool NothingRecorded() const;
    void StartJournal();
    void FollowTake(bool sync_now);
    void KeepDetails();
    recorder::TakeDetails Details() const;
    void DropJournal();

    telephony::TapiLibrary& library_;
    recorder::RecorderTarget target_;
    core::MessageReporter& reporter_;
    Clock clock_;

    CallStage stage_ = CallStage::kIdle;
    std::optional<recorder::RecordFiles> files_;
    std::chrono::steady_clock::time_point connected_at_{};
    std::chrono::steady_clock::time_point ended_at_{};
    bool connected_ = false;
    std::int64_t recorded_before_ms_ = 0;  // takes and spans finished so far
    std::optional<std::chrono::steady_clock::time_point> recording_since_;
    bool recorded_ = false;
    bool saved_ = false;
    bool discarded_ = false;
    bool identity_taken_ = false;
    std::int32_t record_number_ = 0;
    std::string start_log_date_;
    std::string end_log_date_;
    std::string final_cost_;

    std::string caller_name_;
    std::string caller_number_;
    std::string last_number_;
    std::string keywords_;
    recorder::RecorderMarks marks_;

    std::optional<double> cost_per_minute_;
    std::string currency_;
    std::optional<std::int64_t> time_limit_s_;
    bool alarm_on_ = true;
    bool highlight_ = false;
    bool warn_caller_ = false;  // this call gets the warning message
    recorder::TimeLimitAlarm alarm_;

    std::unique_ptr<CallTakeJournal> journal_;
    recorder::TakeDetails journal_details_;  // as last written
};

}  // namespace kivo::phone
