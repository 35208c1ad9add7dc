#include "app/StoreLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

// The folders an installed copy runs from, ':'-separated; the build sets them from its install rules.
#ifndef TESSALINE_INSTALLED_BINDIRS
#define TESSALINE_INSTALLED_BINDIRS ""
#endif

namespace tessaline {

namespace {

std::filesystem::path resolved(const std::filesystem::path& folder) {
    std::error_code ignored;
    const std::filesystem::path result = std::filesystem::weakly_canonical(folder, ignored);
    return result.empty() ? folder.lexically_normal() : result;
}

std::vector<std::filesystem::path> installedBinFolders() {
    std::vector<std::filesystem::path> folders;
    for (const QString& folder : QString::fromUtf8(TESSALINE_INSTALLED_BINDIRS).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders.emplace_back(QFile::encodeName(folder).toStdString());
    return folders;
}

}  // namespace

std::filesystem::path chooseStoreFolder(const std::filesystem::path& programFolder, bool programFolderWritable,
                                        const std::vector<std::filesystem::path>& installedFolders,
                                        const std::filesystem::path& userFolder) {
    if (!programFolderWritable)
        return userFolder;
    // An installed copy keeps its store with the user even when it could write beside itself (run
    // as root), so that removing the program leaves no stray store in a system folder.
    const std::filesystem::path program = resolved(programFolder);
    for (const std::filesystem::path& installed : installedFolders)
        if (resolved(installed) == program)
            return userFolder;
    return programFolder;
}

std::filesystem::path defaultStoreFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const bool writable = ::access(QFile::encodeName(programFolder).constData(), W_OK) == 0;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const std::filesystem::path chosen =
        chooseStoreFolder(QFile::encodeName(programFolder).toStdString(), writable, installedBinFolders(),
                          QFile::encodeName(userFolder).toStdString());
    if (chosen == std::filesystem::path(QFile::encodeName(userFolder).toStdString()))
        QDir().mkpath(userFolder);
    return chosen;
}

}  // namespace tessaline
