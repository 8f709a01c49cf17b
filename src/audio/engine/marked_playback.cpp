// The shared transport over index marks (see marked_playback.h).
#include "kivo/audio/marked_playback.h"

#include <algorithm>

#include "kivo/remote/playback_command.h"

namespace kivo::audio {

MarkedPlayback::MarkedPlayback(MarkedPlaybackRules rules, MarkTimes marks, QObject* parent)
    : QObject(parent), rules_(rules), marks_(std::move(marks)) {}

void MarkedPlayback::SetDevice(PlaybackDevice* device) {
    if (device_ != nullptr)
        device_->Halt();
    device_ = device;
    SetState(State::kStopped);
}

std::int64_t MarkedPlayback::position_ms() const {
    return device_ != nullptr ? device_->position_ms() : 0;
}

std::int64_t MarkedPlayback::length_ms() const {
    return device_ != nullptr ? device_->length_ms() : 0;
}

void MarkedPlayback::SetResumeRewindMs(std::int64_t rewind_ms) {
    resume_rewind_ms_ = std::clamp<std::int64_t>(rewind_ms, 0, kMaximumResumeRewindMs);
}

void MarkedPlayback::Start() {
    if (device_ == nullptr || is_playing())
        return;
    const std::int64_t here = device_->position_ms();
    const std::int64_t length = device_->length_ms();
    // "Back" and "the start" follow the direction of play: a reversed copy
    // starts at the end of the recording.
    const bool backwards = device_->plays_backwards();
    std::int64_t from = here;
    if (is_paused())
        from = backwards ? std::min(length, here + resume_rewind_ms_)
                         : std::max<std::int64_t>(0, here - resume_rewind_ms_);
    else if (backwards ? here <= 0 : here >= length)
        from = backwards ? length : 0;
    if (from != here)
        ReportMove(from);
    Play(from);
}

void MarkedPlayback::PlayFrom(std::int64_t position_ms) {
    if (device_ == nullptr)
        return;
    Play(std::clamp<std::int64_t>(position_ms, 0, device_->length_ms()));
}

void MarkedPlayback::Play(std::int64_t position_ms) {
    if (!device_->PlayFrom(position_ms)) {
        emit startFailed();
        SetState(State::kStopped);
        return;
    }
    SetState(State::kPlaying);
}

void MarkedPlayback::Pause() {
    if (!is_playing())
        return;
    device_->Halt();
    SetState(State::kPaused);
}

void MarkedPlayback::Stop() {
    if (device_ == nullptr)
        return;
    if (rules_.stop_returns_to_start)
        device_->StopAtStart();
    else
        device_->Halt();
    SetState(State::kStopped);
    if (rules_.stop_returns_to_start)
        emit positionChanged(0);
}

void MarkedPlayback::PlayPause() {
    if (is_playing())
        Pause();
    else
        Start();
}

void MarkedPlayback::MoveTo(std::int64_t position_ms) {
    if (device_ == nullptr)
        return;
    position_ms = std::clamp<std::int64_t>(position_ms, 0, device_->length_ms());
    if (is_playing()) {
        Play(position_ms);
    } else {
        device_->Place(position_ms);
        if (rules_.move_ends_pause)
            SetState(State::kStopped);
    }
    ReportMove(position_ms);
}

void MarkedPlayback::Rewind() {
    if (device_ == nullptr)
        return;
    Stop();
    if (rules_.rewind_forgets_current_mark)
        ForgetCurrentMark();
    MoveTo(0);
}

void MarkedPlayback::BackTwoSeconds() {
    if (device_ == nullptr)
        return;
    const std::int64_t target = std::max<std::int64_t>(0, position_ms() - kTwoSecondRewindMs);
    PlayFrom(target);
    ReportMove(target);
}

void MarkedPlayback::DeviceFinished() {
    if (rules_.stop_returns_to_start && device_ != nullptr)
        device_->StopAtStart();
    SetState(State::kStopped);
    if (rules_.stop_returns_to_start)
        emit positionChanged(0);
}

void MarkedPlayback::DeviceFailed() {
    SetState(State::kStopped);
}

void MarkedPlayback::ForgetCurrentMark() {
    if (current_mark_ == -1)
        return;
    current_mark_ = -1;
    emit currentMarkChanged(-1);
}

void MarkedPlayback::MarkInserted(int row) {
    if (current_mark_ >= row)
        ++current_mark_;
}

void MarkedPlayback::MarkRemoved(int row) {
    if (current_mark_ >= row)
        --current_mark_;
}

bool MarkedPlayback::IsMark(int row) const {
    return row >= 0 && row < marks_.count();
}

void MarkedPlayback::MakeCurrent(int row) {
    current_mark_ = row;
    emit currentMarkChanged(row);
}

void MarkedPlayback::GoToMark(int row) {
    if (device_ == nullptr || !IsMark(row))
        return;
    MakeCurrent(row);
    MoveTo(marks_.time_ms(row));
}

void MarkedPlayback::NextMark() {
    if (marks_.count() > 0)
        GoToMark(RowAfterStep(+1));
}

void MarkedPlayback::PreviousMark() {
    if (marks_.count() > 0)
        GoToMark(RowAfterStep(-1));
}

void MarkedPlayback::PlayMark(int row) {
    if (device_ == nullptr || !IsMark(row))
        return;
    MakeCurrent(row);
    const std::int64_t target =
        std::clamp<std::int64_t>(marks_.time_ms(row), 0, device_->length_ms());
    Play(target);
    ReportMove(target);
}

void MarkedPlayback::PlayNextMark() {
    PlayMarkAfterStep(+1);
}

void MarkedPlayback::PlayPreviousMark() {
    PlayMarkAfterStep(-1);
}

void MarkedPlayback::PlayMarkAfterStep(int step) {
    if (marks_.count() > 0)
        PlayMark(RowAfterStep(step));
    else if (rules_.mark_commands_play_without_marks)
        Start();
}

int MarkedPlayback::RowAfterStep(int step) const {
    // Steps stop at either end of the list; from none, both go to the first.
    return std::clamp(current_mark_ + step, 0, marks_.count() - 1);
}

bool MarkedPlayback::RunCommand(int code) {
    const auto command = remote::PlaybackCommandFromCode(code);
    if (!command)
        return false;
    switch (*command) {
        case remote::PlaybackCommand::Rewind:
            Rewind();
            break;
        case remote::PlaybackCommand::RewindTwoSeconds:
            BackTwoSeconds();
            break;
        case remote::PlaybackCommand::PreviousMark:
            PlayPreviousMark();
            break;
        case remote::PlaybackCommand::Play:
            Start();
            break;
        case remote::PlaybackCommand::Stop:
            if (is_playing())
                Stop();
            break;
        case remote::PlaybackCommand::NextMark:
            PlayNextMark();
            break;
    }
    return true;
}

remote::PlaybackStatus MarkedPlayback::status() const {
    switch (state_) {
        case State::kPlaying:
            return remote::PlaybackStatus::Playing;
        case State::kPaused:
            return remote::PlaybackStatus::Paused;
        case State::kStopped:
            break;
    }
    return remote::PlaybackStatus::Stopped;
}

void MarkedPlayback::ReportMove(std::int64_t position_ms) {
    emit positionChanged(position_ms);
    emit positionJumped(position_ms);
}

void MarkedPlayback::SetState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged();
}

}  // namespace kivo::audio
