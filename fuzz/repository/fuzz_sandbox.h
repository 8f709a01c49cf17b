// A private folder for one fuzz process, reused by every input: the
// repository file at its root and the extraction folders deep below it, so a
// member name that climbs out of its folder ("../x") still lands inside the
// sandbox, where a walk of the tree finds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::fuzz {

class FuzzSandbox {
public:
    FuzzSandbox();
    ~FuzzSandbox();
    FuzzSandbox(const FuzzSandbox&) = delete;
    FuzzSandbox& operator=(const FuzzSandbox&) = delete;

    // Empties the sandbox, writes the bytes as the repository file and makes
    // the empty extraction folders.
    void Reset(const std::uint8_t* data, std::size_t size);

    const std::string& repository() const { return repository_; }
    const std::string& output_folder() const { return output_folder_; }
    const std::string& nested_output_folder() const { return nested_output_folder_; }
    // A path inside the sandbox that nothing may create: a planted symbolic
    // link points here.
    const std::string& link_target() const { return link_target_; }

    // Aborts when the sandbox holds anything but the repository, the folders
    // leading to the extraction folders, and what lies inside those.
    void AssertNothingOutsideOutput() const;

    // Remembers, for every name, whether the place outside the extraction
    // folder that the name would reach (an absolute name, one with "..")
    // exists; Verify() aborts when one of them appeared since.
    class EscapeWatch {
    public:
        EscapeWatch(const std::string& output_folder, const std::vector<std::string>& names);
        void Verify() const;

    private:
        std::vector<std::string> watched_paths_;
        std::vector<bool> existed_;
    };

private:
    std::string root_;
    std::string repository_;
    std::string output_folder_;
    std::string nested_output_folder_;
    std::string link_target_;
};

// Reports a broken promise and aborts, so the fuzzer keeps the input.
[[noreturn]] void FuzzFailure(const std::string& what);

}  // namespace kivo::fuzz
