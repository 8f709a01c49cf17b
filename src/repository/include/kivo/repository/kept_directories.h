// KeptDirectories: the directories of large repositories kept in memory
// between one owner's calls, so that a call on a repository of 10,000
// members that finds its directory as the last call left it need not
// decode 10,000 entries again.
//
// The owner (a program's open data store, say) makes one and hands it to
// every Engine it makes through EngineOptions::kept_directories; an engine
// without one decodes every directory it opens. Nothing kept is trusted: a
// call uses a kept directory only when the file holds, at the same place,
// exactly the bytes it was kept with (read and compared at every opening).
// Safe to share between threads; a few files at most are kept, the oldest
// given up first.
#pragma once

#include <memory>
#include <string>

namespace kivo::repository {

struct KeptDirectory;  // the engine's own (kept_directory.h)

class KeptDirectories {
public:
    KeptDirectories();
    ~KeptDirectories();
    KeptDirectories(const KeptDirectories&) = delete;
    KeptDirectories& operator=(const KeptDirectories&) = delete;

    // Takes the kept directory of the file out, if there is one.
    std::unique_ptr<KeptDirectory> Take(const std::string& real_path);
    // Keeps it for the next call.
    void Keep(std::unique_ptr<KeptDirectory> kept);

private:
    struct Shelf;
    std::unique_ptr<Shelf> shelf_;
};

}  // namespace kivo::repository
