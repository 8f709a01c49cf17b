// TakeKeeper: keeps the take journal (take_journal.h) of a recording made in
// a WaveDocument, for the recorder that owns both. It starts the journal,
// syncs the audio about once a second while recording and at every stop,
// writes the recorder's details as they change, and at the end either
// removes the journal (the recording was saved or discarded) or leaves it,
// whole and synced, where the next start finds it (Keep).
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kivo/recorder/recorder_kind.h"
#include "kivo/recorder/take_details.h"
#include "kivo/recorder/take_journal.h"

namespace kivo::audio {
class WaveDocument;
}

namespace kivo::recorder {

// How often the audio of a running recording, and details that changed, are
// synced to disk: a power cut loses at most about this much.
inline constexpr int kJournalSyncInterval_ms = 1000;

class TakeKeeper : public QObject {
    Q_OBJECT
public:
    // takes_folder: where journals are kept; empty for none.
    TakeKeeper(audio::WaveDocument& document, std::filesystem::path takes_folder, RecorderKind kind,
               QObject* parent = nullptr);
    // The files of a journal still kept stay, as after a crash.
    ~TakeKeeper() override;

    // The record's base name, which names the journal ("D" + stamp).
    void set_base_name(std::string base_name) { base_name_ = std::move(base_name); }
    // The recording's start ("dd/mm/yyyy HH:MM:SS"); empty: when the journal
    // starts.
    void set_start(std::string start_log_date) { start_log_date_ = std::move(start_log_date); }

    // Starts the journal unless one is kept: seeded with the recording as it
    // stands, or empty. The document's captured audio goes to it from now
    // on; details given earlier are written at once. False (and logged) when
    // no journal can be made: a crash would then lose the audio.
    bool Start(bool seed_with_recording);
    bool active() const { return journal_ != nullptr; }

    // Syncs the audio about once a second from now until RecordingStopped,
    // which syncs it at once with the details, and notes a take that did not
    // reach the journal whole.
    void RecordingStarted();
    void RecordingStopped();

    // The recorder's details: written within about kJournalSyncInterval_ms,
    // at once by RecordingStopped and Keep, and when the journal starts.
    void UpdateDetails(const TakeDetails& details, const std::filesystem::path& picture_file);

    // Leaves the take for the next start: audio synced, details written,
    // lock let go. No journal, or one that missed audio, is replaced by one
    // of the whole recording as it stands. False when the audio could not be
    // kept anywhere.
    bool Keep();
    // The recording was saved or discarded: the journal goes, and so does
    // a part-way journal that Keep could not replace.
    void Remove();

    std::filesystem::path journal_path() const;
    // The size of the journal's audio at its last sync; 0 without a journal.
    std::uint64_t synced_bytes() const;
    // Whether the details given last are on disk.
    bool details_written() const { return !details_pending_; }

private:
    void SyncAudio();
    void WriteDetails();
    void RemoveLeftBehind();

    audio::WaveDocument& document_;
    std::filesystem::path takes_folder_;
    RecorderKind kind_;
    std::string base_name_;
    std::string start_log_date_;
    std::unique_ptr<TakeJournal> journal_;
    // A journal that missed audio and that Keep could not replace with the
    // whole recording: left for the next start unless the recording is
    // saved or kept whole after all.
    std::unique_ptr<TakeJournal> left_behind_;
    bool incomplete_ = false;  // a take did not reach the journal whole
    QTimer audio_sync_timer_;

    TakeDetails details_;
    std::filesystem::path picture_file_;
    bool has_details_ = false;
    bool details_pending_ = false;
    QTimer details_timer_;
};

}  // namespace kivo::recorder
