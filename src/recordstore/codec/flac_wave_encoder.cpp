// Wave to stored form: see flac_wave_encoder.h.
#include "codec/flac_wave_encoder.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <memory>
#include <vector>

#include "codec/pcm_samples.h"
#include "codec/stored_wave_block.h"
#include "store/file_handle.h"

namespace kivo::recordstore {
namespace {

constexpr std::uint64_t kFramesPerRead = 16384;

struct EncoderDeleter {
    void operator()(FLAC__StreamEncoder* encoder) const { FLAC__stream_encoder_delete(encoder); }
};
struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};

struct OutputSink {
    FileHandle* file;
    bool write_failed = false;
};

FLAC__StreamEncoderWriteStatus WriteToFile(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                           size_t bytes, uint32_t, uint32_t, void* client) {
    auto* sink = static_cast<OutputSink*>(client);
    if (!sink->file->WriteAll(buffer, bytes)) {
        sink->write_failed = true;
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus SeekInFile(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                         void* client) {
    auto* sink = static_cast<OutputSink*>(client);
    return sink->file->Seek(offset) ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                                    : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus TellInFile(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                         void* client) {
    auto* sink = static_cast<OutputSink*>(client);
    std::uint64_t position = 0;
    if (!sink->file->Position(&position))
        return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = position;
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

bool ReadKeptBytes(const FileHandle& source, const WaveLayout& layout, StoredWaveBlock* block) {
    block->head.resize(layout.head_bytes);
    block->tail.resize(layout.tail_bytes);
    return source.ReadExactlyAt(0, block->head.data(), block->head.size()) &&
           source.ReadExactlyAt(layout.head_bytes + layout.sample_bytes, block->tail.data(),
                                block->tail.size());
}

std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> MakeApplicationBlock(
    const StoredWaveBlock& block) {
    std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> metadata(
        FLAC__metadata_object_new(FLAC__METADATA_TYPE_APPLICATION));
    if (!metadata)
        return nullptr;
    std::copy(std::begin(kStoredWaveApplicationId), std::end(kStoredWaveApplicationId),
              metadata->data.application.id);
    std::vector<std::uint8_t> data = SerializeStoredWaveBlock(block);
    if (!FLAC__metadata_object_application_set_data(metadata.get(), data.data(),
                                                    static_cast<unsigned>(data.size()), true)) {
        return nullptr;
    }
    return metadata;
}

std::string EncoderStateText(const FLAC__StreamEncoder* encoder) {
    return FLAC__stream_encoder_get_resolved_state_string(encoder);
}

}  // namespace

bool EncodeWaveAsFlac(const FileHandle& source, const WaveLayout& layout,
                      const MediaCodecOptions& options, FileHandle& output, std::string* error) {
    StoredWaveBlock block;
    block.channels = layout.channels;
    block.bits_per_sample = layout.bits_per_sample;
    block.bytes_per_frame = layout.bytes_per_frame;
    block.sample_bytes = layout.sample_bytes;
    if (!ReadKeptBytes(source, layout, &block)) {
        *error = "cannot read the wave's head or tail";
        return false;
    }
    auto application = MakeApplicationBlock(block);
    std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder(FLAC__stream_encoder_new());
    if (!application || !encoder) {
        *error = "out of memory";
        return false;
    }
    FLAC__StreamEncoder* enc = encoder.get();
    FLAC__StreamMetadata* metadata[] = {application.get()};
    FLAC__stream_encoder_set_channels(enc, layout.channels);
    FLAC__stream_encoder_set_bits_per_sample(enc, layout.bits_per_sample);
    FLAC__stream_encoder_set_sample_rate(enc, layout.sample_rate_hz);
    FLAC__stream_encoder_set_compression_level(enc, options.compression_level);
    FLAC__stream_encoder_set_verify(enc, options.verify_while_encoding);
    // Only this codec reads the stored form back: unusual sample rates need
    // not keep to the streamable subset.
    FLAC__stream_encoder_set_streamable_subset(enc, false);
    FLAC__stream_encoder_set_total_samples_estimate(enc, layout.frames);
    FLAC__stream_encoder_set_metadata(enc, metadata, 1);

    OutputSink sink{&output};
    if (FLAC__stream_encoder_init_stream(enc, WriteToFile, SeekInFile, TellInFile, nullptr,
                                         &sink) != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        *error = "FLAC encoder refused the wave: " + EncoderStateText(enc);
        return false;
    }

    std::vector<std::uint8_t> bytes(kFramesPerRead * layout.bytes_per_frame);
    std::vector<FLAC__int32> samples(kFramesPerRead * layout.channels);
    bool ok = true;
    for (std::uint64_t done = 0; ok && done < layout.frames;) {
        const std::uint64_t frames = std::min(kFramesPerRead, layout.frames - done);
        const std::size_t byte_count = frames * layout.bytes_per_frame;
        if (!source.ReadExactlyAt(layout.head_bytes + done * layout.bytes_per_frame, bytes.data(),
                                  byte_count)) {
            *error = "cannot read the wave's samples";
            ok = false;
            break;
        }
        PcmBytesToSamples(bytes.data(), frames * layout.channels, layout.bits_per_sample,
                          samples.data());
        if (!FLAC__stream_encoder_process_interleaved(enc, samples.data(),
                                                      static_cast<uint32_t>(frames))) {
            *error = "FLAC encoding failed: " + EncoderStateText(enc);
            ok = false;
        }
        done += frames;
    }
    const bool finished = FLAC__stream_encoder_finish(enc);
    if (ok && !finished) {
        *error = "FLAC encoding failed at the end: " + EncoderStateText(enc);
        ok = false;
    }
    if (ok && sink.write_failed) {
        *error = "cannot write the stored form: " + output.LastErrorText();
        ok = false;
    }
    return ok;
}

}  // namespace kivo::recordstore
