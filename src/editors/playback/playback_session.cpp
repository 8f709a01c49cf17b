// PlaybackSession: loading a stored recording, the transport, marks and the
// save path back into the data store (see playback_session.h).
#include "kivo/playback/playback_session.h"

#include <QDebug>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/remote/playback_command.h"
#include "qldate.h"
#include "xrsave.h"
#include "zn2xrrps.h"

namespace kivo::playback {

Q_LOGGING_CATEGORY(lcPlayback, "kivo.playback")

namespace {

// A container name from a record line is untrusted: it must be a plain file
// name ending in ".xrz", so nothing is read or written outside the folder.
bool IsSafeContainerName(const std::string& name) {
    if (name.size() <= 4 || name.size() > 255 || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos ||
        name.front() == '.')
        return false;
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".xrz";
}

QString SubjectOfRecordLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(recordstore::kRecordLineBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::Parse(bytes, &line).ok())
        return {};
    return QString::fromStdString(line.DisplayField(recordstore::record_field::kSubject)).trimmed();
}

}  // namespace

std::string MarkTimeStamp(std::int64_t position_ms) {
    const std::int64_t seconds = std::max<std::int64_t>(position_ms, 0) / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(std::min<std::int64_t>(seconds / 3600, 99)),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::int64_t MarkPositionMs(const recordstore::IndexMark& mark) {
    return conv_duration(mark.time_stamp.c_str());
}

PlaybackSession::PlaybackSession(audio::AudioBackend& backend, PlaybackPlaces places,
                                 QObject* parent)
    : QObject(parent), player_(backend), places_(std::move(places)) {
    connect(&player_, &audio::EffectsPlayer::positionChanged, this,
            &PlaybackSession::positionChanged);
    connect(&player_, &audio::EffectsPlayer::playbackFinished, this,
            &PlaybackSession::OnPlaybackFinished);
    connect(&player_, &audio::EffectsPlayer::playbackFailed, this, [this](const QString& error) {
        error_ = error;
        SetState(State::kStopped);
    });
}

PlaybackSession::~PlaybackSession() {
    Unload();
}

bool PlaybackSession::Begin(std::vector<PlaybackItem> queue) {
    queue_.assign(queue.begin(), queue.end());
    return LoadNext();
}

bool PlaybackSession::LoadNext() {
    while (!queue_.empty()) {
        const PlaybackItem item = queue_.front();
        queue_.pop_front();
        if (Load(item))
            return true;
        if (queue_.empty())
            return false;
        qCWarning(lcPlayback) << "Skipping recording" << item.record_number << ":" << error_;
    }
    return false;
}

std::string PlaybackSession::WorkPath(const std::string& name) const {
    return (std::filesystem::path(places_.working_folder) / name).string();
}

std::string PlaybackSession::BaseName() const {
    return item_.container_name.substr(0, item_.container_name.rfind('.'));
}

bool PlaybackSession::Load(const PlaybackItem& item) {
    Unload();
    error_.clear();
    if (!IsSafeContainerName(item.container_name)) {
        error_ = tr("The record names no recording that can be played.");
        return false;
    }
    if (XRopenXRZ(item.container_name.c_str(), places_.working_folder.c_str(),
                  places_.store_path.c_str(), XR_OPEN_DEFAULT) != XR_OK) {
        error_ = tr("The recording %1 could not be read from the data store.")
                     .arg(QString::fromStdString(item.container_name));
        return false;
    }
    item_ = item;
    const std::string base = BaseName();
    int speed = 0;
    int minimum = 0;
    int maximum = 0;
    if (player_.InitDSound(QString::fromStdString(WorkPath(base + ".xrw")), &speed, &minimum,
                           &maximum) != audio::EffectsPlayer::kOk) {
        error_ = player_.last_error();
        Unload();
        return false;
    }
    player_.AdjEffects(audio::kEffectSpeed, speed_percent());

    recordstore::IndexMarkRead read;
    if (recordstore::ReadIndexMarkFile(WorkPath(base + ".xrs"), &read).ok())
        marks_ = std::move(read.marks);
    current_mark_ = -1;
    marks_changed_ = false;
    subject_ = SubjectOfRecordLine(WorkPath(base + ".xrl"));
    SetState(State::kStopped);
    emit recordingLoaded();
    emit marksChanged();
    emit positionChanged(0);
    return true;
}

void PlaybackSession::Unload() {
    if (item_.container_name.empty())
        return;
    player_.CleanDSound();
    const std::string base = BaseName();
    std::error_code ignored;
    for (const char* extension : {".xrw", ".xrs", ".xrl"})
        std::filesystem::remove(WorkPath(base + extension), ignored);
    std::filesystem::remove(WorkPath(item_.container_name), ignored);
    item_ = {};
    marks_.clear();
    current_mark_ = -1;
    subject_.clear();
    state_ = State::kStopped;
}

audio::EffectSet PlaybackSession::PlayedEffects() const {
    if (effects_enabled_)
        return effects_;
    audio::EffectSet plain = audio::NeutralEffects();
    plain[audio::kEffectSpeed] = effects_[audio::kEffectSpeed];
    return plain;
}

void PlaybackSession::SetState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged();
}

void PlaybackSession::StartAt(std::int64_t position_ms) {
    if (!has_recording())
        return;
    if (player_.is_playing())
        player_.StopDSound();
    player_.SetPositionMs(std::clamp<std::int64_t>(position_ms, 0, length_ms()));
    const audio::EffectSet effects = PlayedEffects();
    if (player_.PlayDSound(audio::EffectsPlayer::kFromCurrentPosition, effects.data(),
                           audio::kEffectCount) != audio::EffectsPlayer::kOk) {
        error_ = player_.last_error();
        SetState(State::kStopped);
        return;
    }
    SetState(State::kPlaying);
}

void PlaybackSession::Start() {
    if (!has_recording() || is_playing())
        return;
    std::int64_t from = position_ms();
    if (state_ == State::kPaused)
        from = std::max<std::int64_t>(0, from - resume_rewind_ms_);
    else if (from >= length_ms())
        from = 0;
    if (from != position_ms())
        emit positionJumped(from * 1000);
    StartAt(from);
}

void PlaybackSession::Pause() {
    if (!is_playing())
        return;
    player_.StopDSound();
    SetState(State::kPaused);
}

void PlaybackSession::StopPlaying() {
    player_.StopDSound();
    SetState(State::kStopped);
}

void PlaybackSession::JumpTo(std::int64_t position_ms) {
    if (!has_recording())
        return;
    position_ms = std::clamp<std::int64_t>(position_ms, 0, length_ms());
    if (is_playing()) {
        StartAt(position_ms);
    } else {
        player_.SetPositionMs(position_ms);
        // A jump ends a pause: Start plays from the new place itself.
        SetState(State::kStopped);
    }
    emit positionChanged(position_ms);
    emit positionJumped(position_ms * 1000);
}

void PlaybackSession::RewindToStart() {
    StopPlaying();
    JumpTo(0);
}

void PlaybackSession::FastForward() {
    StopPlaying();
    JumpTo(length_ms());
}

void PlaybackSession::RewindTwoSeconds() {
    if (!has_recording())
        return;
    const std::int64_t target = std::max<std::int64_t>(0, position_ms() - kTwoSecondRewindMs);
    if (is_playing()) {
        JumpTo(target);
        return;
    }
    StartAt(target);
    emit positionChanged(target);
    emit positionJumped(target * 1000);
}

void PlaybackSession::SeekMs(std::int64_t position_ms) {
    JumpTo(position_ms);
}

void PlaybackSession::JumpToMark(int row) {
    if (row < 0 || row >= static_cast<int>(marks_.size()))
        return;
    current_mark_ = row;
    emit currentMarkChanged(row);
    JumpTo(MarkPositionMs(marks_[static_cast<std::size_t>(row)]));
}

void PlaybackSession::NextMark() {
    if (marks_.empty())
        return;
    JumpToMark(std::min(current_mark_ + 1, static_cast<int>(marks_.size()) - 1));
}

void PlaybackSession::PreviousMark() {
    if (marks_.empty())
        return;
    JumpToMark(std::max(current_mark_ - 1, 0));
}

int PlaybackSession::SetSpeedPercent(int percent) {
    int applied = audio::ClampEffectValue(audio::kEffectSpeed, percent);
    if (has_recording())
        applied = player_.AdjEffects(audio::kEffectSpeed, applied);
    effects_[audio::kEffectSpeed] = audio::EffectPair{1, applied};
    return applied;
}

void PlaybackSession::SetEffectsEnabled(bool enabled) {
    if (effects_enabled_ == enabled)
        return;
    effects_enabled_ = enabled;
    if (is_playing())
        StartAt(position_ms());
}

void PlaybackSession::SetEffect(int index, bool on, int value) {
    if (index == audio::kEffectSpeed) {
        SetSpeedPercent(value);
        return;
    }
    if (index <= 0 || index >= audio::kEffectCount)
        return;
    effects_[static_cast<std::size_t>(index)] =
        audio::EffectPair{on ? 1 : 0, audio::ClampEffectValue(index, value)};
    if (effects_enabled_ && is_playing())
        StartAt(position_ms());
}

void PlaybackSession::SetResumeRewindMs(std::int64_t rewind_ms) {
    resume_rewind_ms_ = std::clamp<std::int64_t>(rewind_ms, 0, kMaximumResumeRewindMs);
}

int PlaybackSession::AddMark(const std::string& comment) {
    if (!has_recording() || marks_.size() >= recordstore::kMaxIndexMarks)
        return -1;
    // An empty comment would leave the entry's type where its comment belongs.
    const std::string text = comment.find_first_not_of(' ') == std::string::npos ? "mark" : comment;
    const std::int64_t at_ms = position_ms();
    recordstore::IndexMark mark = recordstore::MakeIndexMark(MarkTimeStamp(at_ms), text);
    // Marks stay in time order so that Next and Previous walk forwards and back.
    const auto place = std::find_if(marks_.begin(), marks_.end(), [&](const auto& other) {
        return MarkPositionMs(other) > at_ms;
    });
    const int row = static_cast<int>(place - marks_.begin());
    marks_.insert(place, std::move(mark));
    if (current_mark_ >= row)
        ++current_mark_;
    marks_changed_ = true;
    emit marksChanged();
    return row;
}

void PlaybackSession::RemoveMark(int row) {
    if (row < 0 || row >= static_cast<int>(marks_.size()))
        return;
    marks_.erase(marks_.begin() + row);
    if (current_mark_ >= row)
        --current_mark_;
    marks_changed_ = true;
    emit marksChanged();
}

int PlaybackSession::Save() {
    if (!has_recording())
        return XR_OK;
    const std::string marks_name = BaseName() + ".xrs";
    const recordstore::Status written =
        recordstore::WriteIndexMarkFile(WorkPath(marks_name), marks_);
    if (!written.ok()) {
        error_ = QString::fromStdString(written.message());
        return XR_CONTAINER_FAILED;
    }
    // Only the marks member of the container is replaced: the media and any
    // texts or picture stay as they were.
    const std::string container = WorkPath(item_.container_name);
    const char* names[] = {marks_name.c_str()};
    if (RPS_Put(container.c_str(), places_.working_folder.c_str(), names, 1) != nullptr ||
        XRStoreXRZ(item_.container_name.c_str(), places_.working_folder.c_str(),
                   places_.store_path.c_str()) != XR_OK) {
        error_ = tr("The index marks could not be saved into the data store.");
        return XR_CONTAINER_FAILED;
    }
    qCDebug(lcPlayback) << "Kivo file saved to repository";

    qCDebug(lcPlayback) << "Updating Index";
    recordstore::RecordIndex index(WorkPath(kRecordIndexName));
    const recordstore::Status updated =
        index.SetMarkComments(item_.record_number, recordstore::JoinMarkComments(marks_));
    if (updated.code() == recordstore::Status::Code::kNotFound) {
        qCWarning(lcPlayback) << "The record index has no entry for" << item_.record_number;
    } else if (!updated.ok()) {
        error_ = QString::fromStdString(updated.message());
        return XR_NOT_FOUND;
    } else {
        const char* index_names[] = {kRecordIndexName};
        if (RPS_Put(places_.store_path.c_str(), places_.working_folder.c_str(), index_names, 1) !=
            nullptr) {
            error_ = tr("The record index could not be saved into the data store.");
            return XR_NOT_FOUND;
        }
    }
    qCDebug(lcPlayback) << "Index updated";
    marks_changed_ = false;
    return XR_OK;
}

void PlaybackSession::OnPlaybackFinished() {
    SetState(State::kStopped);
    if (!queue_.empty()) {
        if (LoadNext())
            Start();
        return;
    }
    emit queueFinished();
}

void PlaybackSession::playPause() {
    if (is_playing())
        Pause();
    else
        Start();
}

void PlaybackSession::play() {
    Start();
}

void PlaybackSession::pause() {
    Pause();
}

void PlaybackSession::stop() {
    StopPlaying();
}

void PlaybackSession::next() {
    NextMark();
    if (!is_playing())
        Start();
}

void PlaybackSession::previous() {
    PreviousMark();
    if (!is_playing())
        Start();
}

void PlaybackSession::seek(qint64 offset_us) {
    JumpTo(position_ms() + offset_us / 1000);
}

void PlaybackSession::setPosition(qint64 position_us) {
    JumpTo(position_us / 1000);
}

qint64 PlaybackSession::position_us() const {
    return position_ms() * 1000;
}

remote::PlaybackStatus PlaybackSession::playbackStatus() const {
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

remote::PlaybackMetadata PlaybackSession::metadata() const {
    remote::PlaybackMetadata data;
    if (!has_recording())
        return data;
    data.record_number = QString::number(item_.record_number);
    data.title = subject_;
    data.length_us = length_ms() * 1000;
    return data;
}

void PlaybackSession::command(int code) {
    qCDebug(lcPlayback).noquote() << QString::fromLatin1(
                                         remote::PlaybackCommandTraceLine(code).data(),
                                         static_cast<qsizetype>(
                                             remote::PlaybackCommandTraceLine(code).size()))
                                         .trimmed();
    RunCommand(code);
}

void PlaybackSession::RunCommand(int code) {
    const auto command = remote::PlaybackCommandFromCode(code);
    if (!command)
        return;
    switch (*command) {
        case remote::PlaybackCommand::Rewind:
            RewindToStart();
            break;
        case remote::PlaybackCommand::RewindTwoSeconds:
            RewindTwoSeconds();
            break;
        case remote::PlaybackCommand::PreviousMark:
            previous();
            break;
        case remote::PlaybackCommand::Play:
            if (!is_playing())
                Start();
            break;
        case remote::PlaybackCommand::Stop:
            if (is_playing())
                StopPlaying();
            break;
        case remote::PlaybackCommand::NextMark:
            next();
            break;
    }
}

}  // namespace kivo::playback
