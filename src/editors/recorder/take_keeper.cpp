// Keeping a recording's take journal (see take_keeper.h).
#include "kivo/recorder/take_keeper.h"

#include <QDebug>
#include <QLoggingCategory>

#include "kivo/audio/wave_document.h"
#include "kivo/recorder/log_date.h"

Q_LOGGING_CATEGORY(lcTakeKeeper, "kivo.recorder.take")

namespace kivo::recorder {

TakeKeeper::TakeKeeper(audio::WaveDocument& document, std::filesystem::path takes_folder,
                       RecorderKind kind, QObject* parent)
    : QObject(parent), document_(document), takes_folder_(std::move(takes_folder)), kind_(kind) {
    // Syncing is the one costly step of keeping the journal; it is done for
    // what arrived over a second, not for every buffer or keystroke.
    audio_sync_timer_.setInterval(kJournalSyncInterval_ms);
    connect(&audio_sync_timer_, &QTimer::timeout, this, &TakeKeeper::SyncAudio);
    details_timer_.setInterval(kJournalSyncInterval_ms);
    details_timer_.setSingleShot(true);
    connect(&details_timer_, &QTimer::timeout, this, &TakeKeeper::WriteDetails);
}

TakeKeeper::~TakeKeeper() = default;

bool TakeKeeper::Start(bool seed_with_recording) {
    if (journal_)
        return true;
    const TakeInfo info{document_.format(),
                        start_log_date_.empty() ? NowLogDate() : start_log_date_, kind_};
    // The recording so far streams into the journal block by block: a long
    // wave opened for review is never held in memory whole.
    const TakeJournal::Seed seed = [this, seed_with_recording](const auto& write) {
        return !seed_with_recording || document_.ForEachSampleBlock(write);
    };
    if (!takes_folder_.empty() && PrepareTakesFolder(takes_folder_))
        journal_ = TakeJournal::Create(takes_folder_, base_name_, info, seed);
    if (!journal_) {
        qCWarning(lcTakeKeeper) << "No take journal in" << takes_folder_.c_str()
                                << ": a crash would lose this recording";
        return false;
    }
    incomplete_ = false;
    document_.SetCaptureJournal(QString::fromStdString(journal_->journal_path().string()));
    if (has_details_)
        WriteDetails();
    return true;
}

void TakeKeeper::RecordingStarted() {
    if (journal_)
        audio_sync_timer_.start();
}

void TakeKeeper::RecordingStopped() {
    audio_sync_timer_.stop();
    if (document_.journal_failed())
        incomplete_ = true;
    SyncAudio();
    if (details_pending_)
        WriteDetails();
}

void TakeKeeper::SyncAudio() {
    if (!document_.is_recording())
        audio_sync_timer_.stop();
    if (journal_ && !journal_->Sync())
        qCWarning(lcTakeKeeper) << "The take journal cannot be synced to disk";
}

void TakeKeeper::UpdateDetails(const TakeDetails& details,
                               const std::filesystem::path& picture_file) {
    details_ = details;
    picture_file_ = picture_file;
    has_details_ = true;
    details_pending_ = true;
    // Not restarted by every change: typing on still writes once a second.
    if (journal_ && !details_timer_.isActive())
        details_timer_.start();
}

void TakeKeeper::WriteDetails() {
    details_timer_.stop();
    if (!journal_)
        return;
    if (journal_->WriteDetails(details_, picture_file_))
        details_pending_ = false;
    else
        qCWarning(lcTakeKeeper) << "The take's details cannot be written";
}

bool TakeKeeper::Keep() {
    audio_sync_timer_.stop();
    document_.SetCaptureJournal(QString());
    if (document_.journal_failed())
        incomplete_ = true;
    if (journal_ && !incomplete_ && journal_->Sync()) {
        if (details_pending_)
            WriteDetails();
        details_timer_.stop();
        journal_.reset();  // lets the lock go; the files stay
        return true;
    }
    // No journal, or one that missed audio: the whole recording as it
    // stands becomes the take.
    std::unique_ptr<TakeJournal> broken = std::move(journal_);
    if (!Start(true) || !journal_->Sync()) {
        if (journal_) {
            journal_->Remove();
            journal_.reset();
        }
        // Its files stay: what they hold is better than nothing while the
        // recording may still be lost. Held (and locked) until the recording
        // is saved after all or kept whole.
        if (broken)
            left_behind_ = std::move(broken);
        return false;
    }
    document_.SetCaptureJournal(QString());
    details_timer_.stop();
    journal_.reset();
    if (broken)
        broken->Remove();
    RemoveLeftBehind();
    return true;
}

void TakeKeeper::RemoveLeftBehind() {
    if (left_behind_) {
        left_behind_->Remove();
        left_behind_.reset();
    }
}

void TakeKeeper::Remove() {
    audio_sync_timer_.stop();
    details_timer_.stop();
    RemoveLeftBehind();
    if (!journal_)
        return;
    document_.SetCaptureJournal(QString());
    journal_->Remove();
    journal_.reset();
}

std::filesystem::path TakeKeeper::journal_path() const {
    return journal_ ? journal_->journal_path() : std::filesystem::path();
}

std::uint64_t TakeKeeper::synced_bytes() const {
    return journal_ ? journal_->synced_bytes() : 0;
}

}  // namespace kivo::recorder
