// The virtual speaker's file: a PCM wave to which played audio is appended.
// After every append the RIFF and data sizes are brought up to date, so the
// file is a valid wave at any moment (a test may read it while the program
// runs). An existing wave keeps its format and what it holds; audio in
// another format is converted to it.
#pragma once

#include <QFile>
#include <QString>
#include <cstdint>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::sound {

class VirtualOutputWave {
public:
    explicit VirtualOutputWave(QString path);

    bool Append(const wavefile::PcmFormat& format, const std::uint8_t* bytes,
                std::size_t size_bytes, QString* error);

private:
    bool Open(const wavefile::PcmFormat& first_format, QString* error);

    QString path_;
    QFile file_;
    bool open_ = false;
    wavefile::PcmFormat format_;
    std::uint64_t data_bytes_ = 0;
    std::uint64_t data_size_field_offset_ = 0;
};

}  // namespace kivo::sound
