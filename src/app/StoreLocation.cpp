#include "app/StoreLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace tessaline {

std::filesystem::path defaultStoreFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (::access(QFile::encodeName(programFolder).constData(), W_OK) == 0)
        return std::filesystem::path(QFile::encodeName(programFolder).toStdString());
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(userFolder);
    return std::filesystem::path(QFile::encodeName(userFolder).toStdString());
}

}  // namespace tessaline
