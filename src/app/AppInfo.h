#pragma once
// The program's own name and version, as captions and messages show them.

#include "common/Version.h"

#include <QString>

namespace tessaline {

inline const QString kAppTitle = QString::fromLatin1(kProgramName);

// "Tessaline V2.4.8"
QString mainWindowCaption();
// "Tessaline - Version 2.4.8"
QString versionTitleLine();

}  // namespace tessaline
