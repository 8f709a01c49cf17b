// Stored form to wave: see flac_wave_decoder.h.
//
// A FLAC stream begins with "fLaC" and metadata blocks, each with a 4-byte
// header: bit 7 of the first byte marks the last block, bits 0-6 the type
// (2 = APPLICATION), then a 24-bit big-endian length. The walk is bounded by
// the file size and by kMaxMetadataBlocks.
#include "codec/flac_wave_decoder.h"

#include <FLAC/stream_decoder.h>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/pcm_samples.h"
#include "store/file_handle.h"

namespace kivo::recordstore {
namespace {

constexpr std::uint64_t kFlacMagicBytes = 4;
constexpr std::uint64_t kBlockHeaderBytes = 4;
constexpr unsigned kApplicationBlockType = 2;
constexpr unsigned kInvalidBlockType = 127;
constexpr int kMaxMetadataBlocks = 4096;
// Decoded bytes are written in pieces of about this size: a FLAC frame is a
// few KiB, and one write per frame cost a fifth of a long decode.
constexpr std::size_t kWritePieceBytes = 1 << 20;

struct DecoderDeleter {
    void operator()(FLAC__StreamDecoder* decoder) const { FLAC__stream_decoder_delete(decoder); }
};

struct DecodeState {
    const FileHandle* source;
    std::uint64_t read_position = 0;
    FileHandle* output;
    const StoredWaveBlock* block;
    std::uint64_t expected_frames = 0;
    std::uint64_t decoded_frames = 0;
    std::vector<FLAC__int32> interleaved;
    std::vector<std::uint8_t> bytes;  // decoded wave bytes not yet written
    std::string error;                // first problem met; empty while all is well
};

FLAC__StreamDecoderReadStatus ReadSource(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                         size_t* bytes, void* client) {
    auto* state = static_cast<DecodeState*>(client);
    std::size_t got = 0;
    if (!state->source->ReadAt(state->read_position, buffer, *bytes, &got)) {
        state->error = "read error";
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    state->read_position += got;
    *bytes = got;
    return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                    : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

void CheckStreamInfo(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                     void* client) {
    auto* state = static_cast<DecodeState*>(client);
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    const auto& info = metadata->data.stream_info;
    if (info.channels != state->block->channels ||
        info.bits_per_sample != state->block->bits_per_sample ||
        (info.total_samples != 0 && info.total_samples != state->expected_frames)) {
        if (state->error.empty())
            state->error = "stream information disagrees with the kept wave head";
    }
}

// Writes the decoded bytes waiting; false (with the error noted) on failure.
bool WriteDecodedBytes(DecodeState& state) {
    const bool written = state.output->WriteAll(state.bytes.data(), state.bytes.size());
    state.bytes.clear();
    if (!written)
        state.error = "cannot write the wave: " + state.output->LastErrorText();
    return written;
}

FLAC__StreamDecoderWriteStatus WriteFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                          const FLAC__int32* const channels[], void* client) {
    auto* state = static_cast<DecodeState*>(client);
    const StoredWaveBlock& block = *state->block;
    const unsigned frames = frame->header.blocksize;
    if (!state->error.empty())
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    if (frame->header.channels != block.channels ||
        frame->header.bits_per_sample != block.bits_per_sample) {
        state->error = "a FLAC frame disagrees with the kept wave head";
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    if (frames > state->expected_frames - state->decoded_frames) {
        state->error = "more samples than the kept wave head declares";
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    // A FLAC frame holds at most 65535 samples per channel: bounded buffers.
    const FLAC__int32* samples = channels[0];  // one channel is interleaved already
    if (block.channels > 1) {
        state->interleaved.resize(static_cast<std::size_t>(frames) * block.channels);
        for (unsigned i = 0; i < frames; ++i) {
            for (unsigned c = 0; c < block.channels; ++c) {
                state->interleaved[static_cast<std::size_t>(i) * block.channels + c] =
                    channels[c][i];
            }
        }
        samples = state->interleaved.data();
    }
    const std::size_t waiting = state->bytes.size();
    state->bytes.resize(waiting + static_cast<std::size_t>(frames) * block.bytes_per_frame);
    SamplesToPcmBytes(samples, static_cast<std::size_t>(frames) * block.channels,
                      block.bits_per_sample, state->bytes.data() + waiting);
    if (state->bytes.size() >= kWritePieceBytes && !WriteDecodedBytes(*state))
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    state->decoded_frames += frames;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void NoteStreamError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status,
                     void* client) {
    auto* state = static_cast<DecodeState*>(client);
    if (state->error.empty()) {
        state->error =
            std::string("damaged FLAC stream: ") + FLAC__StreamDecoderErrorStatusString[status];
    }
}

// The metadata ends badly (a block past the end of the file, no last
// block): a stream with a "KIVW" block is damaged, any other is not ours.
StoredFormLookup EndOfMetadataMissing(bool found, std::string* error) {
    if (!found)
        return StoredFormLookup::kNotStored;
    *error = "the FLAC metadata runs past the end of the file";
    return StoredFormLookup::kDamaged;
}

}  // namespace

StoredFormLookup FindStoredWaveBlock(const FileHandle& file, std::uint64_t file_size_bytes,
                                     StoredWaveBlock* block, std::string* error) {
    unsigned char magic[kFlacMagicBytes];
    if (file_size_bytes < kFlacMagicBytes)
        return StoredFormLookup::kNotStored;
    if (!file.ReadExactlyAt(0, magic, sizeof magic))
        return StoredFormLookup::kReadFailed;
    if (std::memcmp(magic, "fLaC", 4) != 0)
        return StoredFormLookup::kNotStored;

    // The walk goes on past the "KIVW" block to the last metadata block:
    // libFLAC reads a SEEKTABLE into memory sized by the block's length, so
    // every block must lie inside the file before the stream is decoded.
    bool found = false;
    std::uint64_t position = kFlacMagicBytes;
    for (int count = 0; count < kMaxMetadataBlocks; ++count) {
        unsigned char header[kBlockHeaderBytes];
        if (file_size_bytes - position < kBlockHeaderBytes)
            return EndOfMetadataMissing(found, error);
        if (!file.ReadExactlyAt(position, header, sizeof header))
            return StoredFormLookup::kReadFailed;
        const bool last = (header[0] & 0x80) != 0;
        const unsigned type = header[0] & 0x7F;
        const std::uint64_t length =
            static_cast<std::uint64_t>(header[1]) << 16 | header[2] << 8 | header[3];
        const std::uint64_t body = position + kBlockHeaderBytes;
        if (type == kInvalidBlockType || length > file_size_bytes - body) {
            return EndOfMetadataMissing(found, error);
        }
        if (!found && type == kApplicationBlockType && length >= sizeof kStoredWaveApplicationId) {
            char id[sizeof kStoredWaveApplicationId];
            if (!file.ReadExactlyAt(body, id, sizeof id))
                return StoredFormLookup::kReadFailed;
            if (std::memcmp(id, kStoredWaveApplicationId, sizeof id) == 0) {
                // length < 2^24 and inside the file: a bounded allocation.
                std::vector<std::uint8_t> data(length - sizeof id);
                if (!file.ReadExactlyAt(body + sizeof id, data.data(), data.size())) {
                    return StoredFormLookup::kReadFailed;
                }
                if (!ParseStoredWaveBlock(data.data(), data.size(), block, error))
                    return StoredFormLookup::kDamaged;
                found = true;
            }
        }
        if (last)
            return found ? StoredFormLookup::kFound : StoredFormLookup::kNotStored;
        position = body + length;
    }
    return EndOfMetadataMissing(found, error);
}

bool DecodeFlacAsWave(const FileHandle& source, const StoredWaveBlock& block, FileHandle& output,
                      std::string* error) {
    std::unique_ptr<FLAC__StreamDecoder, DecoderDeleter> decoder(FLAC__stream_decoder_new());
    if (!decoder) {
        *error = "out of memory";
        return false;
    }
    if (!output.WriteAll(block.head.data(), block.head.size())) {
        *error = "cannot write the wave: " + output.LastErrorText();
        return false;
    }
    DecodeState state;
    state.source = &source;
    state.output = &output;
    state.block = &block;
    state.expected_frames = block.sample_bytes / block.bytes_per_frame;

    FLAC__StreamDecoder* dec = decoder.get();
    FLAC__stream_decoder_set_md5_checking(dec, true);
    if (FLAC__stream_decoder_init_stream(dec, ReadSource, nullptr, nullptr, nullptr, nullptr,
                                         WriteFrame, CheckStreamInfo, NoteStreamError,
                                         &state) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        *error = "FLAC decoder could not start";
        return false;
    }
    const bool processed = FLAC__stream_decoder_process_until_end_of_stream(dec);
    if (state.error.empty())
        WriteDecodedBytes(state);
    // finish() compares the MD5 signature of the decoded samples.
    const bool signature_matches = FLAC__stream_decoder_finish(dec);
    if (!state.error.empty()) {
        *error = state.error;
        return false;
    }
    if (!processed) {
        *error = "damaged FLAC stream";
        return false;
    }
    if (state.decoded_frames != state.expected_frames) {
        *error = "FLAC stream ends before the samples the kept wave head declares";
        return false;
    }
    if (!signature_matches) {
        *error = "decoded samples do not match the stream's MD5 signature";
        return false;
    }
    if (!output.WriteAll(block.tail.data(), block.tail.size())) {
        *error = "cannot write the wave: " + output.LastErrorText();
        return false;
    }
    return true;
}

}  // namespace kivo::recordstore
