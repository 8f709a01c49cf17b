// The files behind the editable recording (see piece_store.h).
#include "piece_store.h"

#include "kivo/wavefile/fd_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivo::audio {

namespace {

void CloseFd(int* fd) {
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

// An unnamed file in `folder`: O_TMPFILE where the file system has it,
// otherwise a unique name removed right after creation.
int CreateUnnamedFile(const QString& folder) {
    const QByteArray encoded = QFile::encodeName(folder);
    int fd = ::open(encoded.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        return fd;
    }
    QByteArray name = QFile::encodeName(QDir(folder).filePath(".kivo-edit-XXXXXX"));
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        ::unlink(name.constData());
    }
    return fd;
}

}  // namespace

PieceStore::~PieceStore() {
    Reset();
}

void PieceStore::Reset() {
    table_.Clear();
    CloseFd(&wave_fd_);
    CloseFd(&scratch_fd_);
    wave_data_offset_ = 0;
    wave_data_bytes_ = 0;
    scratch_size_ = 0;
}

void PieceStore::AttachWave(int fd, std::uint64_t data_offset, std::uint64_t data_bytes) {
    CloseFd(&wave_fd_);
    wave_fd_ = fd;
    wave_data_offset_ = data_offset;
    wave_data_bytes_ = data_bytes;
    table_.Assign(Piece{PieceSource::kWave, data_offset, data_bytes});
}

bool PieceStore::EnsureScratch(const QString& folder, QString* error) {
    if (scratch_fd_ >= 0) {
        return true;
    }
    scratch_fd_ = CreateUnnamedFile(folder.isEmpty() ? QDir::currentPath() : folder);
    if (scratch_fd_ < 0) {
        scratch_fd_ = CreateUnnamedFile(QDir::tempPath());
    }
    if (scratch_fd_ < 0) {
        *error = QStringLiteral("cannot create a scratch file in %1 or %2: %3")
                     .arg(folder, QDir::tempPath(), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    scratch_size_ = 0;
    return true;
}

bool PieceStore::AppendScratch(const std::uint8_t* bytes, std::size_t size_bytes, QString* error) {
    while (size_bytes > 0) {
        const ssize_t written =
            ::pwrite(scratch_fd_, bytes, size_bytes, static_cast<off_t>(scratch_size_));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            *error = QStringLiteral("cannot write the recording's scratch file: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        bytes += written;
        size_bytes -= static_cast<std::size_t>(written);
        scratch_size_ += static_cast<std::uint64_t>(written);
    }
    return true;
}

void PieceStore::TruncateScratch() {
    if (scratch_fd_ >= 0 && ::ftruncate(scratch_fd_, 0) == 0) {
        scratch_size_ = 0;
    }
}

bool PieceStore::ReadSource(const Piece& piece, std::uint8_t* out) const {
    int fd = scratch_fd_;
    if (piece.source == PieceSource::kWave) {
        // Never outside the data chunk, whatever the table says.
        if (piece.offset < wave_data_offset_ ||
            piece.offset + piece.length > wave_data_offset_ + wave_data_bytes_) {
            return false;
        }
        fd = wave_fd_;
    } else if (piece.offset + piece.length > scratch_size_) {
        return false;
    }
    // Fails on an error, or when the file became shorter than the piece.
    return wavefile::ReadAllAt(fd, piece.offset, out, static_cast<std::size_t>(piece.length));
}

bool PieceStore::Read(std::uint64_t at, std::uint8_t* out, std::size_t count) const {
    if (at > table_.size() || count > table_.size() - at) {
        return false;
    }
    return table_.ForEach(at, count, [&](const Piece& part) {
        if (!ReadSource(part, out)) {
            return false;
        }
        out += part.length;
        return true;
    });
}

PiecePcmSource::PiecePcmSource(const PieceStore& store, std::size_t block_align_bytes,
                               std::uint8_t silence, std::int64_t first_frame,
                               std::int64_t end_frame)
    : store_(store), align_(block_align_bytes), silence_(silence), cursor_frame_(first_frame) {
    const auto frames = static_cast<std::int64_t>(align_ == 0 ? 0 : store.table().size() / align_);
    end_frame_ = std::clamp<std::int64_t>(end_frame, 0, frames);
    cursor_frame_ = std::clamp<std::int64_t>(cursor_frame_, 0, end_frame_);
}

std::size_t PiecePcmSource::ReadPcm(std::uint8_t* out, std::size_t max_bytes) {
    if (align_ == 0) {
        return 0;
    }
    const auto frames = std::min<std::int64_t>(static_cast<std::int64_t>(max_bytes / align_),
                                               end_frame_ - cursor_frame_);
    if (frames <= 0) {
        return 0;
    }
    const std::size_t size = static_cast<std::size_t>(frames) * align_;
    if (!store_.Read(static_cast<std::uint64_t>(cursor_frame_) * align_, out, size)) {
        std::memset(out, silence_, size);
        ++failed_reads_;
    }
    cursor_frame_ += frames;
    return size;
}

}  // namespace kivo::audio
