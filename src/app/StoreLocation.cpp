#include "app/StoreLocation.h"

#include "design/WorkStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

// The folders an installed copy runs from, ':'-separated; the build sets them from its install rules.
#ifndef TESSALINE_INSTALLED_BINDIRS
#define TESSALINE_INSTALLED_BINDIRS ""
#endif

namespace tessaline {

namespace {

QString fromPath(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

std::filesystem::path toPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

const QString kPrivateLock = QStringLiteral("window.lock");

// Private folders whose window was killed before it could remove its own: their lock is stale.
void removeAbandonedPrivateFolders() {
    QDir temporary(QDir::tempPath());
    for (const QString& name : temporary.entryList({QStringLiteral("tessaline-window-*")}, QDir::Dirs | QDir::Hidden)) {
        QDir folder(temporary.filePath(name));
        QLockFile lock(folder.filePath(kPrivateLock));
        if (lock.tryLock(0)) {
            lock.unlock();
            folder.removeRecursively();
        }
    }
}

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
    const bool writable = storeFolderWritable(QFile::encodeName(programFolder).toStdString());
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const std::filesystem::path chosen =
        chooseStoreFolder(QFile::encodeName(programFolder).toStdString(), writable, installedBinFolders(),
                          QFile::encodeName(userFolder).toStdString());
    if (chosen == std::filesystem::path(QFile::encodeName(userFolder).toStdString()))
        QDir().mkpath(userFolder);
    return chosen;
}

bool storeFolderWritable(const std::filesystem::path& folder) {
    const auto writable = [](const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; };
    const std::filesystem::path store = folder / WorkStore::kFileName;
    // A read-only store in a writable folder could not take a design either.
    std::error_code unknown;
    return writable(folder) && (!std::filesystem::exists(store, unknown) || writable(store));
}

WindowStoreFolder::WindowStoreFolder(const std::filesystem::path& shared) : path_(shared) {
    lock_ = std::make_unique<QLockFile>(fromPath(shared / (std::string(WorkStore::kFileName) + ".lock")));
    // A lock left by a window that died is taken over at once.
    if (lock_->tryLock(0)) return;
    const bool held = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    // An unwritable folder is no other window's: the store reports it as it would for one window.
    if (!held) return;
    removeAbandonedPrivateFolders();
    private_ = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("tessaline-window-XXXXXX")));
    if (private_->isValid()) {
        path_ = toPath(private_->path());
        lock_ = std::make_unique<QLockFile>(QDir(private_->path()).filePath(kPrivateLock));
        lock_->tryLock(0);
    } else {
        // No private folder either: share the folder; the design seal still keeps this window
        // from showing or saving another window's design.
        private_.reset();
    }
}

}  // namespace tessaline
