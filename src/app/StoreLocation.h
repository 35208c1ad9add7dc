#pragma once
// Where the work store and the scratch program live: the program's folder when it is writable,
// else the per-user data folder.

#include <filesystem>

namespace tessaline {

std::filesystem::path defaultStoreFolder();

}  // namespace tessaline
