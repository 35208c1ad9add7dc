#pragma once
// The program's own name and version, as captions and messages show them.

#include <QString>

namespace tessaline {

inline const QString kAppTitle = QStringLiteral("Tessaline");
constexpr int kVersionMajor = TESSALINE_VERSION_MAJOR;
constexpr int kVersionMinor = TESSALINE_VERSION_MINOR;
constexpr int kVersionRevision = TESSALINE_VERSION_PATCH;

// "Tessaline V2.4.8"
QString mainWindowCaption();
// "Tessaline - Version 2.4.8"
QString versionTitleLine();

}  // namespace tessaline
