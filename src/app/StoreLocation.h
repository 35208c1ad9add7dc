#pragma once
// Where the work store and the scratch program live: the program's folder when it is writable and
// is not a folder the program is installed into, else the per-user data folder.

#include <filesystem>
#include <vector>

namespace tessaline {

std::filesystem::path defaultStoreFolder();

// The choice behind defaultStoreFolder. Folders are compared after resolving links, so /bin and
// /usr/bin count as one on a merged-/usr system.
std::filesystem::path chooseStoreFolder(const std::filesystem::path& programFolder, bool programFolderWritable,
                                        const std::vector<std::filesystem::path>& installedFolders,
                                        const std::filesystem::path& userFolder);

}  // namespace tessaline
