// Saving the editable recording to a wave file (see wave_saver.h).
#include "wave_saver.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "kivo/wavefile/fd_io.h"
#include "kivo/wavefile/riff_layout.h"
#include "piece_store.h"

namespace kivo::audio {

namespace {

constexpr std::uint64_t kPcmHeaderBytes = wavefile::kRiffHeaderBytes + wavefile::kChunkHeaderBytes +
                                          wavefile::kPcmFormatBytes + wavefile::kChunkHeaderBytes;
// The pieces are streamed through a buffer of this size.
constexpr std::size_t kSaveBufferBytes = 1 << 20;

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void StoreU32(std::uint8_t* out, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A plain PCM wave header ("fmt " of 16 bytes, then "data") for
// `data_bytes` of audio.
std::vector<std::uint8_t> PcmHeader(const wavefile::PcmFormat& format, std::uint64_t riff_bytes,
                                    std::uint64_t data_bytes) {
    std::vector<std::uint8_t> header(kPcmHeaderBytes);
    std::uint8_t* out = header.data();
    std::memcpy(out, wavefile::kRiffTag, 4);
    StoreU32(out + 4, riff_bytes);
    std::memcpy(out + 8, wavefile::kWaveForm, 4);
    std::memcpy(out + 12, wavefile::kFmtTag, 4);
    StoreU32(out + 16, wavefile::kPcmFormatBytes);
    const auto block = wavefile::WaveFormatExBlock(format);
    std::memcpy(out + 20, block.data(), wavefile::kPcmFormatBytes);
    std::memcpy(out + 36, wavefile::kDataTag, 4);
    StoreU32(out + 40, data_bytes);
    return header;
}

// Makes a rename in `folder` durable (best effort: some file systems
// refuse to sync a directory).
void SyncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::uint64_t WaveSaver::HeaderBytes() {
    return kPcmHeaderBytes;
}

WaveSaver::WaveSaver(const PieceStore& store, const wavefile::PcmFormat& format,
                     QString recording_name)
    : store_(store), format_(format), recording_name_(std::move(recording_name)) {}

bool WaveSaver::Fail(const QString& detail) {
    detail_ = detail;
    return false;
}

bool WaveSaver::Save(const QString& target) {
    saved_fd_ = -1;
    detail_.clear();
    const QString folder = QFileInfo(target).dir().path();
    const QString temporary = QFileInfo(target).dir().filePath(kTemporaryName);
    if (!WriteTemporary(temporary)) {
        return false;
    }
    // rename() replaces the old file in one step, so either the old or the
    // new recording is there at every moment.
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        ::close(saved_fd_);
        saved_fd_ = -1;
        QFile::remove(temporary);
        return Fail(QStringLiteral("cannot rename %1 to %2").arg(temporary, target));
    }
    SyncFolder(folder);
    return true;
}

bool WaveSaver::WriteTemporary(const QString& temporary) {
    const std::uint64_t data_bytes = store_.table().size();
    const std::uint64_t pad = data_bytes & 1;
    const std::uint64_t riff_bytes =
        kPcmHeaderBytes - wavefile::kChunkHeaderBytes + data_bytes + pad;
    if (riff_bytes > std::numeric_limits<std::uint32_t>::max()) {
        return Fail(QStringLiteral("the recording is too long for one wave file (4 GiB)"));
    }
    const QByteArray name = QFile::encodeName(temporary);
    // A leftover of an earlier save goes first. Should the open recording be
    // that very file, its descriptor keeps the old data readable.
    ::unlink(name.constData());
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Fail(QStringLiteral("cannot create \"%1\": %2").arg(temporary, ErrnoText()));
    }
    const auto fail = [&](const QString& detail) {
        ::close(fd);
        ::unlink(name.constData());
        return Fail(detail);
    };
    const std::vector<std::uint8_t> header = PcmHeader(format_, riff_bytes, data_bytes);
    if (!wavefile::WriteAll(fd, header.data(), header.size())) {
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(temporary, ErrnoText()));
    }
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(kSaveBufferBytes, data_bytes + pad)));
    for (std::uint64_t at = 0; at < data_bytes;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), data_bytes - at));
        if (!store_.Read(at, buffer.data(), count)) {
            return fail(QStringLiteral("cannot read the recording back (was %1 changed?)")
                            .arg(recording_name_));
        }
        if (!wavefile::WriteAll(fd, buffer.data(), count)) {
            return fail(QStringLiteral("cannot write \"%1\": %2").arg(temporary, ErrnoText()));
        }
        at += count;
    }
    const std::uint8_t zero = 0;
    if (pad && !wavefile::WriteAll(fd, &zero, 1)) {
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(temporary, ErrnoText()));
    }
    if (::fsync(fd) != 0) {
        return fail(QStringLiteral("cannot write \"%1\" to disk: %2").arg(temporary, ErrnoText()));
    }
    saved_fd_ = fd;
    return true;
}

}  // namespace kivo::audio
