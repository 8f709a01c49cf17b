// Decoding of the pedal's input reports into pedal events.
#include "kivo/pedal/pedal_report_decoder.h"

namespace kivo::pedal {
namespace {

struct PedalBit {
    std::uint8_t bit;
    PedalEvent pressed;
    PedalEvent released;
};

constexpr PedalBit kPedals[] = {
    {kRewindPedalBit, PedalEvent::RewindPressed, PedalEvent::RewindReleased},
    {kPlayPedalBit, PedalEvent::PlayPressed, PedalEvent::PlayReleased},
    {kFastForwardPedalBit, PedalEvent::FastForwardPressed, PedalEvent::FastForwardReleased},
};

constexpr std::uint8_t kAllPedalBits = kRewindPedalBit | kPlayPedalBit | kFastForwardPedalBit;

}  // namespace

std::vector<PedalEvent> PedalReportDecoder::decode(std::span<const std::uint8_t> report) {
    std::vector<PedalEvent> events;
    if (report.empty()) {
        return events;
    }
    const std::uint8_t now = report[0] & kAllPedalBits;
    const std::uint8_t released = pressed_ & ~now;
    const std::uint8_t pressed = now & ~pressed_;
    for (const PedalBit& pedal : kPedals) {
        if (released & pedal.bit) {
            events.push_back(pedal.released);
        }
    }
    for (const PedalBit& pedal : kPedals) {
        if (pressed & pedal.bit) {
            events.push_back(pedal.pressed);
        }
    }
    pressed_ = now;
    return events;
}

}  // namespace kivo::pedal
