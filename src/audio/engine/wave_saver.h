// WaveSaver: writes the recording held by a PieceStore into a wave file.
//
// The audio is streamed, piece by piece, into "temp.xrw" in the target's
// folder behind a plain PCM header; that file is synced to disk and then
// renamed over the target, so either the old or the new recording is there
// at every moment. Memory stays at one buffer whatever the length.
#pragma once

#include <QString>
#include <cstdint>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio {

class PieceStore;

class WaveSaver {
public:
    // The name of the file written before it replaces the target.
    static constexpr char kTemporaryName[] = "temp.xrw";

    // Where the audio starts in a saved file: "RIFF", size, "WAVE", "fmt ",
    // 16, the format, "data", size.
    static std::uint64_t HeaderBytes();

    // `recording_name` names the recording in the message given when its
    // pieces cannot be read back.
    WaveSaver(const PieceStore& store, const wavefile::PcmFormat& format, QString recording_name);

    // Writes the whole recording to `target`. True on success: saved_fd()
    // is then open for reading on the new file (the caller takes it over).
    // False with detail() saying what failed; the target is untouched.
    bool Save(const QString& target);

    int saved_fd() const { return saved_fd_; }
    const QString& detail() const { return detail_; }

private:
    bool WriteTemporary(const QString& temporary);
    bool Fail(const QString& detail);

    const PieceStore& store_;
    wavefile::PcmFormat format_;
    QString recording_name_;
    int saved_fd_ = -1;
    QString detail_;
};

}  // namespace kivo::audio
