#include "app/AppInfo.h"

namespace tessaline {

QString mainWindowCaption() { return kAppTitle + QStringLiteral(" V") + QString::fromStdString(versionText()); }

QString versionTitleLine() { return kAppTitle + QStringLiteral(" - Version ") + QString::fromStdString(versionText()); }

}  // namespace tessaline
