// The Phone Recorder's work (see call_recorder.h).
#include "kivo/phone/call_recorder.h"

#include <system_error>

#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/phone/recorded_call_record.h"
#include "kivo/phone/telephony_error_text.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_reader.h"
#include "zn2tapi.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

constexpr int kSelectCall = 4;
// The library answers an asynchronous dial with this status.
constexpr int kDialAccepted = 139;
// The library's take and accumulated files in the working folder.
constexpr const char* kTakeName = "buffer.wav";
constexpr const char* kAccumulatedName = "data.wav";

constexpr int kCallInProgress = 15;
constexpr int kAnswerMachineActive = 16;
constexpr int kLineNotMonitored = 17;

void RemoveQuietly(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
}

std::int64_t Milliseconds(std::chrono::steady_clock::duration span) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

std::string ReadOrWrite(core::ProfileFile* profile, const std::string& section,
                        std::string_view key, std::string_view fallback) {
    if (profile == nullptr)
        return std::string(fallback);
    if (std::optional<std::string> value = profile->Find(section, key))
        return *value;
    profile->Write(section, key, fallback);
    return std::string(fallback);
}

// "HH:MM" as seconds; nullopt for anything else.
std::optional<std::int64_t> ParseLimit(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() - colon != 3)
        return std::nullopt;
    std::int64_t hours = 0;
    for (char c : text.substr(0, colon)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        hours = hours * 10 + (c - '0');
    }
    const std::string_view minutes = text.substr(colon + 1);
    if (minutes[0] < '0' || minutes[0] > '5' || minutes[1] < '0' || minutes[1] > '9')
        return std::nullopt;
    return hours * 3600 + ((minutes[0] - '0') * 10 + (minutes[1] - '0')) * 60;
}

}  // namespace

CallRecorder::CallRecorder(telephony::TapiLibrary& library, recorder::RecorderTarget target,
                           core::MessageReporter& reporter, Clock clock)
    : library_(library), target_(std::move(target)), reporter_(reporter), clock_(std::move(clock)) {
    currency_ = ReadOrWrite(target_.profile, target_.profile_section, "Currency",
                            recorder::kDefaultCurrency);
    if (target_.profile != nullptr) {
        if (auto cost = target_.profile->Find(target_.profile_section, "PhoneCost"))
            cost_per_minute_ = recorder::ParseCostRate(*cost);
        highlight_ =
            target_.profile->Find(target_.profile_section, "HighLight").value_or("N") != "N";
    }
}

CallRecorder::~CallRecorder() {
    if (!saved_)
        Discard();
}

bool CallRecorder::in_call() const {
    return stage_ != CallStage::kIdle && stage_ != CallStage::kEnded;
}

bool CallRecorder::Failed() {
    const int status = library_.status().status;
    if (status <= 0)
        return false;
    reporter_.ReportText(TelephonyErrorText(status), core::kStyleExclamation);
    return true;
}

bool CallRecorder::Refuses() {
    const TapiStatus& status = library_.status();
    int refusal = 0;
    if (status.callConnected != 0 && !in_call())
        refusal = kCallInProgress;
    else if (status.autoAnswer != 0)
        refusal = kAnswerMachineActive;
    else if (status.tapiInitialized == 0 || status.lineOpen == 0)
        refusal = kLineNotMonitored;
    if (refusal == 0)
        return false;
    reporter_.ReportMessage(refusal, core::kStyleInformation);
    return true;
}

bool CallRecorder::Dial(std::string_view number) {
    if (in_call()) {
        reporter_.ReportMessage(kCallInProgress, core::kStyleInformation);
        return false;
    }
    if (has_unsaved_recording()) {
        const recorder::CloseOutcome outcome = recorder::CloseRecorder(
            reporter_, {true, false, [this] { return Save(); }, [this] { Discard(); }});
        if (outcome == recorder::CloseOutcome::kSaveFailed)
            return false;
    }
    if (Refuses())
        return false;

    PrepareRecord();
    TapiStatus& status = library_.status();
    const bool incoming = status.call != 0 && status.incoming == 1 && status.callConnected == 0;
    warn_caller_ = incoming && target_.profile != nullptr &&
                   target_.profile->Find(target_.profile_section, "PhWarn").value_or("N") == "Y";
    if (incoming) {
        library_.Answer();
        if (Failed()) {
            stage_ = CallStage::kIdle;
            return false;
        }
        TakeCallerIdentity();
    } else {
        last_number_ = std::string(number.substr(0, kDialNumberMaxChars));
        caller_number_ = last_number_;
        library_.Dial(last_number_.c_str());
        if (status.status > 0 && status.status != kDialAccepted) {
            Failed();
            stage_ = CallStage::kIdle;
            return false;
        }
    }
    stage_ = CallStage::kPlacing;
    return true;
}

void CallRecorder::PrepareRecord() {
    if (files_)
        files_->RemoveAll();
    DropJournal();
    files_ = recorder::RecordFiles::ForNewRecord(target_.working_folder);
    const fs::path take = target_.working_folder / kTakeName;
    const fs::path accumulated = target_.working_folder / kAccumulatedName;
    // What an interrupted earlier call left would be added to this one.
    RemoveQuietly(take);
    RemoveQuietly(accumulated);
    library_.SetRecord(take.c_str(), accumulated.c_str(), files_->wave_path().c_str());
    marks_.Clear();
    connected_ = false;
    recorded_ = saved_ = discarded_ = false;
    identity_taken_ = false;
    recorded_before_ms_ = 0;
    recording_since_.reset();
    record_number_ = 0;
    start_log_date_.clear();
    end_log_date_.clear();
    final_cost_.clear();
    alarm_.Arm();
}

bool CallRecorder::HandleMessage(int message) {
    switch (message) {
        case ZN2TAPI_MSG_CONNECTED:
            if (stage_ == CallStage::kPlacing)
                CallConnected();
            return true;
        case ZN2TAPI_MSG_CALLER_ID:
            if (in_call())
                TakeCallerIdentity();
            return true;
        case ZN2TAPI_MSG_DISCONNECTED:
        case ZN2TAPI_MSG_IDLE:
            if (in_call())
                CallEnded(false);
            return true;
        default:
            return false;
    }
}

void CallRecorder::CallConnected() {
    // An audio endpoint that cannot be had is shown but does not end the
    // call: PICKUP reports it again if the line cannot record.
    library_.GetWaveId(kSelectCall, "wave/out");
    Failed();
    library_.GetWaveId(kSelectCall, "wave/in");
    Failed();
    if (warn_caller_)
        PlayWarning();
    connected_ = true;
    connected_at_ = clock_();
    start_log_date_ = recorder::NowLogDate();
    stage_ = CallStage::kConnected;
}

// The caller hears it while the user waits to record: the line either plays
// or records, so a PICKUP at once cuts it short. A store without the
// message plays nothing.
void CallRecorder::PlayWarning() {
    const fs::path warning = target_.working_folder / recordstore::kWarningName;
    std::error_code error;
    if (!fs::is_regular_file(warning, error))
        return;
    library_.PlayFile(warning.c_str());
    Failed();
}

void CallRecorder::TakeCallerIdentity() {
    const TapiStatus& status = library_.status();
    if (identity_taken_ || status.callerIdValid != 1)
        return;
    // Written once: what the user typed after it stays.
    identity_taken_ = true;
    caller_number_ = status.callerNumber;
    if (status.callerName[0] != '\0')
        caller_name_ = status.callerName;
}

bool CallRecorder::Pickup() {
    if (stage_ != CallStage::kConnected)
        return false;
    if (target_.profile != nullptr &&
        !target_.profile->Find(target_.profile_section, "Silence").has_value())
        target_.profile->Write(target_.profile_section, "Silence", "5");
    library_.Record();
    if (Failed())
        return false;
    recorded_ = true;
    recording_since_ = clock_();
    stage_ = CallStage::kRecording;
    StartJournal();
    if (journal_)
        journal_->TakeStarted();
    KeepDetails();
    return true;
}

void CallRecorder::Pause() {
    if (stage_ != CallStage::kRecording && stage_ != CallStage::kPaused)
        return;
    library_.Pause();
    if (stage_ == CallStage::kRecording) {
        recorded_before_ms_ += Milliseconds(clock_() - *recording_since_);
        recording_since_.reset();
        stage_ = CallStage::kPaused;
    } else {
        recording_since_ = clock_();
        stage_ = CallStage::kRecording;
    }
}

void CallRecorder::Stop() {
    if (stage_ != CallStage::kRecording && stage_ != CallStage::kPaused)
        return;
    if (recording_since_)
        recorded_before_ms_ += Milliseconds(clock_() - *recording_since_);
    recording_since_.reset();
    library_.Stop();
    Failed();
    stage_ = CallStage::kStopped;
    FollowTake(true);
    KeepDetails();
}

void CallRecorder::HangUp() {
    if (in_call())
        CallEnded(true);
}

void CallRecorder::LineClosed() {
    if (in_call())
        CallEnded(false);
}

void CallRecorder::CallEnded(bool drop) {
    if (stage_ == CallStage::kRecording || stage_ == CallStage::kPaused)
        Stop();
    TapiStatus& status = library_.status();
    if (drop && status.call != 0 && library_.open_line() != nullptr)
        library_.open_line()->Drop(status.call);
    ended_at_ = clock_();
    if (connected_) {
        end_log_date_ = recorder::NowLogDate();
        final_cost_ = Figures().cost_text;
    }
    KeepDetails();
    if (recorded_ && NothingRecorded()) {
        // PICKUP and a hang-up before the line delivered any sound: there is
        // no recording to keep, and none to offer for saving.
        recorded_ = false;
        DropJournal();
        RemoveQuietly(target_.working_folder / kTakeName);
        RemoveQuietly(target_.working_folder / kAccumulatedName);
    }
    if (recorded_) {
        // The takes become the record's wave now, while the library's
        // recorder is still this call's.
        library_.Save();
        Failed();
    }
    stage_ = CallStage::kEnded;
}

std::int64_t CallRecorder::call_ms() const {
    if (!connected_)
        return 0;
    const auto until = stage_ == CallStage::kEnded ? ended_at_ : clock_();
    return Milliseconds(until - connected_at_);
}

std::int64_t CallRecorder::recorded_ms() const {
    std::int64_t total = recorded_before_ms_;
    if (recording_since_)
        total += Milliseconds(clock_() - *recording_since_);
    return total;
}

void CallRecorder::set_time_limit(std::string limit) {
    time_limit_s_ = ParseLimit(limit);
    alarm_.Arm();
}

void CallRecorder::ApplyCostSettings(std::optional<double> cost_per_minute, std::string currency) {
    cost_per_minute_ = cost_per_minute;
    currency_ = std::move(currency);
    if (target_.profile == nullptr)
        return;
    char rate[32] = "";
    if (cost_per_minute_)
        std::snprintf(rate, sizeof rate, "%.2f", *cost_per_minute_);
    target_.profile->Write(target_.profile_section, "PhoneCost", rate);
    target_.profile->Write(target_.profile_section, "Currency", currency_);
}

CallFigures CallRecorder::Figures() const {
    CallFigures figures;
    const std::int64_t duration_ms = call_ms();
    figures.duration_text = recordstore::DurationText(duration_ms);
    if (stage_ == CallStage::kEnded) {
        figures.cost_text = final_cost_;
        return figures;
    }
    if (cost_per_minute_)
        figures.cost_text = recorder::CostText(duration_ms, *cost_per_minute_ * 60.0, currency_);
    if (time_limit_s_) {
        const std::int64_t left_s = *time_limit_s_ - duration_ms / 1000;
        figures.time_left_text = recorder::TimeLeftText(left_s);
        figures.over_limit = left_s < 0;
    }
    return figures;
}

CallFigures CallRecorder::Refresh() {
    CallFigures figures = Figures();
    if (recorded_ && !saved_ && !discarded_)
        KeepDetails();
    if (!connected_ || stage_ == CallStage::kEnded)
        return figures;
    if (time_limit_s_) {
        const std::int64_t left_s = *time_limit_s_ - call_ms() / 1000;
        figures.alarm = alarm_.Read(left_s) && alarm_on_;
    }
    if (stage_ == CallStage::kRecording)
        figures.level = library_.status().recorder.maxLevel;
    if (stage_ == CallStage::kRecording || stage_ == CallStage::kPaused)
        FollowTake(false);
    if (!identity_taken_ && library_.status().callerIdValid == 1) {
        TakeCallerIdentity();
        figures.caller_arrived = true;
    }
    return figures;
}

bool CallRecorder::AddMark(std::string_view comment) {
    if (stage_ != CallStage::kRecording && stage_ != CallStage::kPaused)
        return false;
    if (!marks_.Add(recorded_ms(), comment))
        return false;
    KeepDetails();
    return true;
}

int CallRecorder::Save() {
    if (!recorded_ || saved_ || !files_)
        return 0;
    RecordedCall call;
    call.caller_name = caller_name_;
    call.caller_number = caller_number_;
    call.cost = final_cost_;
    call.start_log_date = start_log_date_;
    call.end_log_date = end_log_date_;
    call.duration_ms = call_ms();
    call.keywords = keywords_;
    call.marks = marks_.marks();
    recorder::NewRecordSave save(target_, *files_);
    const int code = save.Save(RecordedCallRecord(call, *files_));
    if (save.stored()) {
        saved_ = true;
        record_number_ = save.record_number();
        files_->RemoveAll();
        DropJournal();
    }
    if (code > 0)
        reporter_.ReportMessage(code, core::kStyleExclamation);
    return code;
}

recorder::CloseOutcome CallRecorder::Close() {
    HangUp();
    return recorder::CloseRecorder(reporter_, {has_unsaved_recording(), saved_,
                                               [this] { return Save(); }, [this] { Discard(); }});
}

void CallRecorder::Discard() {
    if (recorded_)
        discarded_ = true;
    if (files_)
        files_->RemoveAll();
    DropJournal();
    if (in_call())
        return;  // the library is still recording into them
    RemoveQuietly(target_.working_folder / kTakeName);
    RemoveQuietly(target_.working_folder / kAccumulatedName);
}

bool CallRecorder::NothingRecorded() const {
    std::error_code error;
    const auto size_bytes = fs::file_size(target_.working_folder / kAccumulatedName, error);
    return error || size_bytes == 0;
}

void CallRecorder::StartJournal() {
    if (journal_ || !files_)
        return;
    journal_ = CallTakeJournal::Start(target_.takes_folder, files_->base_name(), start_log_date_,
                                      {}, clock_);
}

void CallRecorder::FollowTake(bool sync_now) {
    if (journal_)
        journal_->Follow(target_.working_folder / kTakeName, sync_now);
}

recorder::TakeDetails CallRecorder::Details() const {
    recorder::TakeDetails details;
    details.end_log_date = end_log_date_;
    details.subject = CallerSubject(caller_number_, caller_name_);
    details.keywords = keywords_;
    details.marks = marks_.marks();
    return details;
}

// Written when they changed since the last write.
void CallRecorder::KeepDetails() {
    if (!journal_)
        return;
    recorder::TakeDetails details = Details();
    if (details == journal_details_)
        return;
    if (journal_->WriteDetails(details))
        journal_details_ = std::move(details);
}

void CallRecorder::DropJournal() {
    if (journal_)
        journal_->Remove();
    journal_.reset();
    journal_details_ = {};
}

bool CallRecorder::StartRecovered(const recorder::RecoveredTake& take) {
    if (in_call() || has_unsaved_recording())
        return false;
    wavefile::WaveData wave;
    if (!wavefile::ReadWaveFile(take.wave.string(), &wave).ok())
        return false;
    if (files_)
        files_->RemoveAll();
    DropJournal();
    files_ = recorder::RecordFiles::ForNewRecord(target_.working_folder);
    std::error_code error;
    fs::copy_file(take.wave, files_->wave_path(), fs::copy_options::overwrite_existing, error);
    if (error) {
        files_->RemoveAll();
        files_.reset();
        return false;
    }
    marks_.Clear();
    for (const recorder::RecorderMark& mark : take.info.details.marks)
        marks_.Add(mark.time_ms, mark.comment);
    auto [number, name] = ParseCallerSubject(take.info.details.subject);
    caller_number_ = std::move(number);
    caller_name_ = std::move(name);
    keywords_ = take.info.details.keywords;
    start_log_date_ = take.info.start_log_date;
    end_log_date_ = take.end_log_date;
    final_cost_.clear();
    record_number_ = 0;
    // The call's own length is not kept; that of its audio stands for it.
    const std::int64_t audio_ms = static_cast<std::int64_t>(wave.samples.size()) * 1000 /
                                  telephony::CallAudioFormat().bytes_per_second();
    ended_at_ = clock_();
    connected_at_ = ended_at_ - std::chrono::milliseconds(audio_ms);
    connected_ = true;
    recorded_before_ms_ = audio_ms;
    recording_since_.reset();
    recorded_ = true;
    saved_ = discarded_ = false;
    identity_taken_ = true;
    stage_ = CallStage::kEnded;
    journal_ = CallTakeJournal::Start(target_.takes_folder, files_->base_name(), start_log_date_,
                                      wave.samples, clock_);
    KeepDetails();
    return true;
}

}  // namespace kivo::phone
