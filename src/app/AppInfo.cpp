#include "app/AppInfo.h"

namespace tessaline {

namespace {
QString versionText() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}
}  // namespace

QString mainWindowCaption() { return kAppTitle + QStringLiteral(" V") + versionText(); }

QString versionTitleLine() { return kAppTitle + QStringLiteral(" - Version ") + versionText(); }

}  // namespace tessaline
