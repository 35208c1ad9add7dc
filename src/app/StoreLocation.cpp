#include "app/StoreLocation.h"

#include "design/WorkStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace tessaline {

namespace {

bool writable(const QString& path) { return ::access(QFile::encodeName(path).constData(), W_OK) == 0; }

QString fromPath(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

std::filesystem::path toPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

std::filesystem::path defaultStoreFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString store = QDir(programFolder).filePath(QString::fromLatin1(WorkStore::kFileName));
    // A read-only store in a writable folder could not take a design either.
    if (writable(programFolder) && (!QFileInfo::exists(store) || writable(store))) return toPath(programFolder);
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(userFolder);
    return toPath(userFolder);
}

WindowStoreFolder::WindowStoreFolder(const std::filesystem::path& shared) : path_(shared) {
    lock_ = std::make_unique<QLockFile>(fromPath(shared / (std::string(WorkStore::kFileName) + ".lock")));
    // A lock left by a window that died is taken over at once.
    if (lock_->tryLock(0)) return;
    const bool held = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    // An unwritable folder is no other window's: the store reports it as it would for one window.
    if (!held) return;
    private_ = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("tessaline-window-XXXXXX")));
    if (private_->isValid()) {
        path_ = toPath(private_->path());
    } else {
        // No private folder either: share the folder; the design seal still keeps this window
        // from showing or saving another window's design.
        private_.reset();
    }
}

}  // namespace tessaline
