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

// "Brother PES"
QString formatTitle(DesignFormat format) {
    const std::string_view name = formatName(format);
    return maker(format) + QLatin1Char(' ') + QString::fromUtf8(name.data(), static_cast<int>(name.size()));
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
        filters << formatTitle(format) + QStringLiteral(" (") + patterns(format) + QLatin1Char(')');
    }
    return filters;
}

QString readableFormatNames() {
    QStringList titles;
    for (const DesignFormat format : readableFormats()) titles << formatTitle(format);
    const QString last = titles.size() > 1 ? titles.takeLast() : QString();
    return titles.join(QStringLiteral(", ")) + (last.isEmpty() ? QString() : QStringLiteral(" and ") + last);
}

}  // namespace tessaline
