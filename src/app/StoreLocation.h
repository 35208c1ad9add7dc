#pragma once
// Where the work store and the scratch program live: the program's folder when it is writable and
// is not a folder the program is installed into, else the per-user data folder; and, per window,
// which of them that window may use.

#include <QLockFile>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>
#include <vector>

namespace tessaline {

std::filesystem::path defaultStoreFolder();
// Whether a store can be kept in folder: the folder and any store already there are writable.
bool storeFolderWritable(const std::filesystem::path& folder);

// The folder one window keeps its store and scratch program in. The first window takes the
// shared folder and holds it by a lock file; a window that finds it held gets a private
// temporary folder of its own, removed with this object (or, should its window be killed, by the
// next window that needs one), so two windows never mix designs.
class WindowStoreFolder {
public:
    explicit WindowStoreFolder(const std::filesystem::path& shared);
    const std::filesystem::path& path() const { return path_; }
    bool isPrivate() const { return private_ != nullptr; }

private:
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QTemporaryDir> private_;
    std::filesystem::path path_;
};

// The choice behind defaultStoreFolder. Folders are compared after resolving links, so /bin and
// /usr/bin count as one on a merged-/usr system.
std::filesystem::path chooseStoreFolder(const std::filesystem::path& programFolder, bool programFolderWritable,
                                        const std::vector<std::filesystem::path>& installedFolders,
                                        const std::filesystem::path& userFolder);

}  // namespace tessaline
