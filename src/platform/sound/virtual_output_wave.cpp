// Appending to the virtual speaker's wave file.
#include "virtual_output_wave.h"

#include <QFileInfo>
#include <limits>
#include <utility>

#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::sound {

namespace {

void StoreU32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

}  // namespace

VirtualOutputWave::VirtualOutputWave(QString path) : path_(std::move(path)), file_(path_) {}

bool VirtualOutputWave::Open(const wavefile::PcmFormat& first_format, QString* error) {
    const std::string path = path_.toStdString();
    wavefile::WaveInfo info;
    const bool exists = QFileInfo::exists(path_);
    bool appendable = false;
    if (exists && wavefile::ReadWaveFileInfo(path, &info).ok() &&
        info.format.AsPlayablePcm().has_value()) {
        // Appending needs the data chunk to be the last thing in the file.
        appendable = info.data_offset + info.data_bytes ==
                     static_cast<std::uint64_t>(QFileInfo(path_).size());
        if (!appendable) {
            wavefile::WaveData existing;
            if (wavefile::ReadWaveFile(path, &existing).ok() &&
                wavefile::WritePcmWave(path, *info.format.AsPlayablePcm(), existing.samples).ok()) {
                appendable = wavefile::ReadWaveFileInfo(path, &info).ok();
            }
        }
    }
    if (!appendable) {
        const wavefile::WaveStatus status = wavefile::WritePcmWave(path, first_format, {});
        if (!status.ok() || !wavefile::ReadWaveFileInfo(path, &info).ok()) {
            *error = QStringLiteral("cannot create the virtual output wave: %1")
                         .arg(QString::fromStdString(status.message()));
            return false;
        }
    }
    if (!file_.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open the virtual output wave: %1").arg(file_.errorString());
        return false;
    }
    format_ = *info.format.AsPlayablePcm();
    data_bytes_ = info.data_bytes;
    data_size_field_offset_ = info.data_offset - 4;
    open_ = true;
    return true;
}

bool VirtualOutputWave::Append(const wavefile::PcmFormat& format, const std::uint8_t* bytes,
                               std::size_t size_bytes, QString* error) {
    if (!open_ && !Open(format, error)) {
        return false;
    }
    std::vector<std::uint8_t> converted;
    if (!(format == format_)) {
        converted = wavefile::ConvertPcm(bytes, size_bytes, format, format_);
        bytes = converted.data();
        size_bytes = converted.size();
    }
    const std::uint64_t end = data_size_field_offset_ + 4 + data_bytes_;
    if (end + size_bytes > std::numeric_limits<std::uint32_t>::max()) {
        *error = QStringLiteral("the virtual output wave is full (4 GiB)");
        return false;
    }
    if (!file_.seek(static_cast<qint64>(end)) ||
        file_.write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size_bytes)) !=
            static_cast<qint64>(size_bytes)) {
        *error =
            QStringLiteral("cannot write the virtual output wave: %1").arg(file_.errorString());
        return false;
    }
    data_bytes_ += size_bytes;
    char field[4];
    StoreU32(field, static_cast<std::uint32_t>(end + size_bytes - 8));
    file_.seek(4);
    file_.write(field, 4);
    StoreU32(field, static_cast<std::uint32_t>(data_bytes_));
    file_.seek(static_cast<qint64>(data_size_field_offset_));
    file_.write(field, 4);
    file_.flush();
    return true;
}

}  // namespace kivo::sound
