// The bytes behind the editable recording's pieces: the opened wave file,
// read through its descriptor and only inside its checked data chunk, and an
// append-only scratch file that receives recorded audio. The scratch file
// has no name from the moment it exists (O_TMPFILE, or created and unlinked
// at once), so the system reclaims it however the program ends.
//
// PiecePcmSource plays a range of frames by reading the pieces as the output
// device asks for them; nothing is copied up front.
#pragma once

#include <QString>
#include <cstdint>

#include "kivo/sound/audio_backend.h"
#include "piece_table.h"

namespace kivo::audio {

class PieceStore {
public:
    PieceStore() = default;
    ~PieceStore();
    PieceStore(const PieceStore&) = delete;
    PieceStore& operator=(const PieceStore&) = delete;

    // Closes both files and empties the table.
    void Reset();

    // Takes over `fd` (open for reading) as the wave source whose data chunk
    // holds `data_bytes` bytes from `data_offset`, closing the previous wave
    // source; the table becomes that data chunk.
    void AttachWave(int fd, std::uint64_t data_offset, std::uint64_t data_bytes);

    // Creates the scratch file (once) in `folder`, or in the system's
    // temporary folder when `folder` refuses it.
    bool EnsureScratch(const QString& folder, QString* error);
    // Appends to the scratch file; the bytes start at scratch_size() as it
    // was before the call.
    bool AppendScratch(const std::uint8_t* bytes, std::size_t size_bytes, QString* error);
    std::uint64_t scratch_size() const { return scratch_size_; }
    // Empties the scratch file; only when no piece refers to it.
    void TruncateScratch();

    PieceTable& table() { return table_; }
    const PieceTable& table() const { return table_; }

    // Reads the document's bytes [at, at + count); false when a source is
    // shorter than its pieces say (the wave file was cut by someone else) or
    // cannot be read.
    bool Read(std::uint64_t at, std::uint8_t* out, std::size_t count) const;

private:
    bool ReadSource(const Piece& piece, std::uint8_t* out) const;

    PieceTable table_;
    int wave_fd_ = -1;
    std::uint64_t wave_data_offset_ = 0;
    std::uint64_t wave_data_bytes_ = 0;
    int scratch_fd_ = -1;
    std::uint64_t scratch_size_ = 0;
};

// Plays frames [first, end) of a PieceStore the caller keeps alive and
// unchanged while playing. A read that fails plays as silence (bytes of
// `silence`, 0x80 for 8-bit audio, 0 for 16-bit) and is counted, so playback
// always reaches its end.
class PiecePcmSource : public sound::PcmSource {
public:
    PiecePcmSource(const PieceStore& store, std::size_t block_align_bytes, std::uint8_t silence,
                   std::int64_t first_frame, std::int64_t end_frame);

    std::size_t ReadPcm(std::uint8_t* out, std::size_t max_bytes) override;
    bool AtEnd() const override { return cursor_frame_ >= end_frame_; }
    std::int64_t cursor_frame() const { return cursor_frame_; }
    int failed_reads() const { return failed_reads_; }

private:
    const PieceStore& store_;
    std::size_t align_;
    std::uint8_t silence_;
    std::int64_t cursor_frame_;
    std::int64_t end_frame_;
    int failed_reads_ = 0;
};

}  // namespace kivo::audio
