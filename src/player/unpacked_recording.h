// UnpackedRecording: one recording file (".xrz" sound, ".xrv" video) checked
// and unpacked for playing.
//
// Unpack checks the file (container_check.h), unpacks it into a private
// temporary folder (mode 0700), makes its wave playable (decompressing it in
// place when needed) and reads what the player shows besides the media: the
// index marks, the record line (kind code, record number, subject, duration
// and stored sound effects, with the status text they call for) and the
// picture. The folder and everything in it go with Remove and with the
// destructor. A file that fails any step is removed again.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/recordstore/record_picture.h"
#include "mark_list.h"

namespace kivo::player {

enum class OpenResult {
    kOpened,      // ready to play (a video once its media has loaded)
    kCorrupt,     // unreadable, hostile or damaged file (kCorruptOrInUse)
    kUnplayable,  // unpacked, but the wave cannot be played (kUnableToPlay)
};

using recordstore::PictureType;

class UnpackedRecording {
public:
    UnpackedRecording() = default;
    UnpackedRecording(const UnpackedRecording&) = delete;
    UnpackedRecording& operator=(const UnpackedRecording&) = delete;

    // Removes what an earlier call unpacked, then unpacks `recording_path`.
    // On failure nothing stays unpacked and failure_text() says why (the
    // player's status text for it).
    OpenResult Unpack(const QString& recording_path);
    // Removes the temporary folder with everything in it and forgets the file.
    void Remove();

    bool is_unpacked() const { return folder_ != nullptr; }
    // The file as given, made absolute (kept after a failure).
    const QString& recording_path() const { return recording_path_; }
    // Video when the extension is "xrv", ignoring case.
    bool is_video() const { return video_; }
    QString folder() const;
    // The plain wave of a sound recording, its reversed copy (made by the
    // player when needed) and the media of a video.
    const QString& wave_path() const { return wave_path_; }
    const QString& reversed_wave_path() const { return reversed_wave_path_; }
    const QString& video_path() const { return video_path_; }

    const std::vector<PlayerMark>& marks() const { return marks_; }
    const QString& kind_code() const { return kind_code_; }
    const QString& record_number() const { return record_number_; }
    const QString& subject() const { return subject_; }
    // When the recording was made, as the record line states it.
    const QString& start_date() const { return start_date_; }
    const QString& start_time() const { return start_time_; }
    // The record line's duration in milliseconds (0 when it has none).
    std::int64_t stated_length_ms() const;
    const audio::StoredEffects& stored_effects() const { return stored_effects_; }
    // What the record line calls for on the status line: the kind's warning
    // or error, or the saved-effects note; empty for an original recording.
    const QString& record_status() const { return record_status_; }
    const QString& picture_path() const { return picture_path_; }
    PictureType picture_type() const { return picture_type_; }
    const char* failure_text() const { return failure_text_; }
    // The reason behind kCorrupt in one line ("The file is empty."); empty
    // for the other results.
    const char* failure_reason() const { return failure_reason_; }

private:
    OpenResult Fail(OpenResult result, const char* text, const char* reason = "");
    bool MakeWavePlayable();
    void ReadRecordLine(const std::string& path);
    void FindPicture(const std::string& stem);

    std::unique_ptr<QTemporaryDir> folder_;
    QString recording_path_;
    bool video_ = false;
    QString wave_path_;
    QString reversed_wave_path_;
    QString video_path_;
    std::vector<PlayerMark> marks_;
    QString kind_code_;
    QString record_number_;
    QString subject_;
    QString start_date_;
    QString start_time_;
    QString duration_text_;
    audio::StoredEffects stored_effects_;
    QString record_status_;
    QString picture_path_;
    PictureType picture_type_ = PictureType::kNone;
    const char* failure_text_ = nullptr;
    const char* failure_reason_ = "";
};

}  // namespace kivo::player
