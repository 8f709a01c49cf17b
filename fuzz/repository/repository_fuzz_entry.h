// The fuzz entry points of the repository engine, shared by the libFuzzer
// targets and by the replay test that runs every committed corpus file with
// the normal compiler. Each takes arbitrary bytes, treats them as a repository
// file, drives the engine over them inside a private folder, and aborts (so
// the fuzzer reports it) when the engine breaks a promise it makes for
// hostile files: writing outside the extraction folder, following a planted
// symbolic link, or damaging a sound repository while maintaining it. Crashes,
// hangs and memory errors are caught by the sanitizers and the fuzzer itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::fuzz {

// Lists, checks, extracts and loads members of the bytes as a repository, and
// of a repository nested in it; compacts it when it passed the check.
int FuzzRepositoryReading(const std::uint8_t* data, std::size_t size);

// Runs directory recovery over the bytes: first only looking, then writing,
// after which the repository must pass the integrity check and still hold
// what recovery promised to keep.
int FuzzRepositoryRecovery(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::fuzz
