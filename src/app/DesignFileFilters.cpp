#include "app/DesignFileFilters.h"

#include "design/DesignFormat.h"

namespace tessaline {

namespace {

QString patterns(DesignFormat format) {
    QStringList list;
    for (const std::string& extension : formatExtensions(format)) {
        const QString lower = QString::fromStdString(extension).toLower();
        list << QStringLiteral("*.") + lower << QStringLiteral("*.") + lower.toUpper();
    }
    return list.join(QLatin1Char(' '));
}

QString maker(DesignFormat format) {
    switch (format) {
        case DesignFormat::Dst: return QStringLiteral("Tajima");
        case DesignFormat::Pes:
        case DesignFormat::Pec: return QStringLiteral("Brother");
        case DesignFormat::Jef: return QStringLiteral("Janome");
        case DesignFormat::Exp: return QStringLiteral("Melco");
        case DesignFormat::Vp3:
        case DesignFormat::Hus:
        case DesignFormat::Shv: return QStringLiteral("Husqvarna");
        case DesignFormat::Xxx: return QStringLiteral("Singer");
        case DesignFormat::Sew: return QStringLiteral("Janome");
        case DesignFormat::Pcs: return QStringLiteral("Pfaff");
    }
    return {};
}

}  // namespace

QString embroideryDesignsFilter() {
    QStringList all;
    for (const DesignFormat format : readableFormats()) all << patterns(format);
    return QStringLiteral("Embroidery designs (") + all.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList designFileFilters() {
    QStringList filters{QStringLiteral("All Files (*)"), QStringLiteral("Tajima Files (*.dst *.DST)"),
                        embroideryDesignsFilter()};
    for (const DesignFormat format : readableFormats()) {
        if (format == DesignFormat::Dst) continue;
        filters << maker(format) + QLatin1Char(' ') + QString::fromUtf8(formatName(format).data(),
                                                                         static_cast<int>(formatName(format).size())) +
                       QStringLiteral(" (") + patterns(format) + QLatin1Char(')');
    }
    return filters;
}

}  // namespace tessaline
