#include "app/DesignFileFilters.h"

#include "design/FormatTable.h"

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
    const std::string_view name = formatRow(format).maker;
    return QString::fromUtf8(name.data(), static_cast<int>(name.size()));
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
    QStringList filters{QStringLiteral("All Files (*)"),
                        maker(DesignFormat::Dst) + QStringLiteral(" Files (") + patterns(DesignFormat::Dst) + QLatin1Char(')'),
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
