// Use dictation as greeting: a stored dictation becomes the answering
// machine's greeting ("xrgreet.wav" in the working folder, which the data
// store keeps with its other components).
//
// The dictation's recording is unpacked from the store into a private
// folder inside the working folder (so the files of a record open in a
// recorder are never touched), converted to the call format (8000 Hz mono
// 16-bit) with the resampler when it is in any other format, and written
// over the greeting through a temporary file: a failure leaves the old
// greeting whole. The caller commits the store's changes afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::phone {

inline constexpr const char* kGreetingConversionFailedText =
    "Failed to change the quality of the recording.";

enum class GreetingResult {
    kStored,
    kNotADictation,     // the name is no audio container's
    kUnpackFailed,      // the store did not give the recording
    kConversionFailed,  // not a readable wave, or the resampler refused it
    kWriteFailed,       // the greeting could not be written
};

struct GreetingOutcome {
    GreetingResult result = GreetingResult::kStored;
    bool converted = false;  // the recording was not in the call format
};

// container_name: the dictation's recording ("D" + stamp + ".xrz").
GreetingOutcome UseDictationAsGreeting(const std::filesystem::path& working_folder,
                                       const std::filesystem::path& store_path,
                                       const std::string& container_name);

}  // namespace kivo::phone
