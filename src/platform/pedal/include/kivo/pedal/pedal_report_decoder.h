// Foot pedals for transcription, VEC/Infinity IN-USB-1 and IN-USB-2 (USB id
// 05f3:00ff), and the pedals sold under other names with the same id. The
// device sends a HID input report whenever a pedal goes down or up; byte 0
// holds the state of all three pedals:
//
// | byte | bit  | pedal                                   |
// |------|------|-----------------------------------------|
// | 0    | 0x01 | left: rewind                            |
// | 0    | 0x02 | middle: play while held                 |
// | 0    | 0x04 | right: fast forward                      |
// | 0    | 0xF8 | unused, ignored                         |
// | 1    |      | unused (always 0), ignored              |
//
// The decoder compares each report with the last one and names what changed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kivo::pedal {

enum class PedalEvent {
    RewindPressed,
    RewindReleased,
    PlayPressed,
    PlayReleased,
    FastForwardPressed,
    FastForwardReleased,
};

inline constexpr std::uint8_t kRewindPedalBit = 0x01;
inline constexpr std::uint8_t kPlayPedalBit = 0x02;
inline constexpr std::uint8_t kFastForwardPedalBit = 0x04;

class PedalReportDecoder {
public:
    // The events since the previous report: releases first (so that a foot
    // moving from one pedal to another stops before it starts), then presses,
    // each from left to right. An empty report changes nothing.
    std::vector<PedalEvent> decode(std::span<const std::uint8_t> report);

    // All pedals up, as when a device is (re)opened.
    void reset() { pressed_ = 0; }
    std::uint8_t pressedPedals() const { return pressed_; }

private:
    std::uint8_t pressed_ = 0;
};

}  // namespace kivo::pedal
