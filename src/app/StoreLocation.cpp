#include "app/StoreLocation.h"

#include "design/WorkStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace tessaline {

namespace {

bool writable(const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; }

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

}  // namespace

std::filesystem::path chooseStoreFolder(const std::filesystem::path& programFolder,
                                        const std::filesystem::path& userFolder) {
    const std::filesystem::path store = programFolder / WorkStore::kFileName;
    // A read-only store in a writable folder could not take a design either.
    if (writable(programFolder) && (!std::filesystem::exists(store) || writable(store))) return programFolder;
    std::error_code ignored;
    std::filesystem::create_directories(userFolder, ignored);
    return userFolder;
}

std::filesystem::path defaultStoreFolder() {
    return chooseStoreFolder(toPath(QCoreApplication::applicationDirPath()),
                             toPath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
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
