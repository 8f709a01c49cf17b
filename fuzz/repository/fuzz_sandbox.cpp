// The fuzz sandbox: made once per process under TMPDIR, emptied per input.
#include "fuzz_sandbox.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kivo::fuzz {
namespace {

namespace fs = std::filesystem;

// Deep enough that a name climbing eight levels stays inside the sandbox.
constexpr const char* kOutputPath = "a/b/c/d/e/f/g/h/out";
constexpr const char* kNestedOutputPath = "a/b/c/d/e/f/g/h/nested";

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsInside(const fs::path& path, const fs::path& folder) {
    auto [folder_end, path_it] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folder_end == folder.end();
}

}  // namespace

void FuzzFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

FuzzSandbox::FuzzSandbox() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivo-fuzz.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        FuzzFailure("cannot make a sandbox at " + pattern);
    }
    root_ = pattern;
    repository_ = root_ + "/r.xrt";
    output_folder_ = root_ + "/" + kOutputPath;
    nested_output_folder_ = root_ + "/" + kNestedOutputPath;
    link_target_ = root_ + "/planted-link-target";
}

FuzzSandbox::~FuzzSandbox() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FuzzSandbox::Reset(const std::uint8_t* data, std::size_t size) {
    std::error_code error;
    for (const auto& item : fs::directory_iterator(root_, error)) {
        fs::remove_all(item.path(), error);
    }
    fs::create_directories(output_folder_, error);
    fs::create_directories(nested_output_folder_, error);
    std::ofstream out(repository_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) {
        FuzzFailure("cannot write the input to " + repository_);
    }
}

void FuzzSandbox::AssertNothingOutsideOutput() const {
    const fs::path output(output_folder_);
    const fs::path nested(nested_output_folder_);
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root_, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        if (path == repository_ || IsInside(path, output) || IsInside(path, nested)) {
            continue;
        }
        // The folders on the way down to the extraction folders.
        if (it->is_directory(error) && !it->is_symlink(error) &&
            (IsInside(output, path) || IsInside(nested, path))) {
            continue;
        }
        FuzzFailure("written outside the extraction folder: " + path.string());
    }
}

FuzzSandbox::EscapeWatch::EscapeWatch(const std::string& output_folder,
                                      const std::vector<std::string>& names) {
    const fs::path output(output_folder);
    for (const std::string& name : names) {
        if (name.empty() || name.find('\0') != std::string::npos) {
            continue;
        }
        fs::path reached = (output / name).lexically_normal();
        if (!IsInside(reached, output)) {
            watched_paths_.push_back(reached.string());
            existed_.push_back(Exists(reached.string()));
        }
    }
}

void FuzzSandbox::EscapeWatch::Verify() const {
    for (std::size_t i = 0; i < watched_paths_.size(); ++i) {
        if (!existed_[i] && Exists(watched_paths_[i])) {
            FuzzFailure("extraction created " + watched_paths_[i]);
        }
    }
}

}  // namespace kivo::fuzz
