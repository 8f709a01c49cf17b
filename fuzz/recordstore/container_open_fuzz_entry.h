// The fuzz entry of opening a received recording container, shared by the
// libFuzzer target and the replay test. A container that arrives by e-mail
// is opened with XRMopenXRZ (RecordingContainer::OpenStandAlone): its
// members are extracted by the repository engine and its media decoded by
// the media codec, so the whole path reads hostile input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::fuzz {

// Writes the bytes as a container beside an empty working folder that holds
// one data store component file, opens the container into the folder, and
// aborts when a promise is broken: the container or the component file
// changed, anything written outside the working folder, a staging folder or
// more than ten members left behind, or a success whose media is still in
// the stored form. Returns 0.
int FuzzContainerOpen(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::fuzz
