// The packaging's file types and manual pages against the format table: every format the
// program reads is offered to the desktop under its type, globs and signature, and named where
// the manual pages list the formats.

#include "design/FormatTable.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using Bytes = std::vector<std::uint8_t>;

QString sourceText(const char* relative) {
    QFile file(QStringLiteral(TESSALINE_SOURCE_DIR "/") + QString::fromLatin1(relative));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative;
    return QString::fromUtf8(file.readAll());
}

std::string text(std::string_view view) { return std::string(view); }

struct MimeEntry {
    std::string acronym;
    std::set<std::string> globs;
    std::vector<Bytes> magic;  // the bytes each match wants at offset 0
};

// A match's bytes as the shared MIME database reads it: "string" as written, "little32" as four
// bytes with the lowest first.
Bytes matchBytes(const QString& type, const QString& value) {
    if (type == QStringLiteral("string")) {
        const QByteArray utf8 = value.toUtf8();
        return Bytes(utf8.begin(), utf8.end());
    }
    EXPECT_EQ(type.toStdString(), "little32") << "a match type this test does not know";
    bool ok = false;
    const quint32 number = value.toUInt(&ok, 0);
    EXPECT_TRUE(ok) << value.toStdString();
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::map<std::string, MimeEntry> mimeEntries() {
    std::map<std::string, MimeEntry> entries;
    QXmlStreamReader xml(sourceText("packaging/embroidery-mime.xml"));
    MimeEntry* current = nullptr;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto attribute = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toString(); };
        if (xml.name() == QLatin1String("mime-type")) {
            current = &entries[attribute("type").toStdString()];
        } else if (current == nullptr) {
            continue;
        } else if (xml.name() == QLatin1String("acronym")) {
            current->acronym = xml.readElementText().toStdString();
        } else if (xml.name() == QLatin1String("glob")) {
            current->globs.insert(attribute("pattern").toStdString());
        } else if (xml.name() == QLatin1String("match")) {
            EXPECT_EQ(attribute("offset"), QStringLiteral("0"));
            current->magic.push_back(matchBytes(attribute("type"), attribute("value")));
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return entries;
}

TEST(PackagingFormats, TheMimeFileDeclaresEveryRowAsTheTableHasIt) {
    const auto entries = mimeEntries();
    std::set<std::string> tableTypes;
    for (const FormatRow& row : formatTable()) {
        SCOPED_TRACE(text(row.name));
        tableTypes.insert(text(row.mimeType));
        const auto found = entries.find(text(row.mimeType));
        ASSERT_NE(found, entries.end()) << row.mimeType << " is not declared";
        const MimeEntry& entry = found->second;
        EXPECT_EQ(entry.acronym, row.name);
        std::set<std::string> globs;
        for (const std::string_view extension : row.extensions) globs.insert("*." + text(extension));
        EXPECT_EQ(entry.globs, globs);
        // Magic where, and only where, the program finds the format by its content; each match
        // must be content the program takes for that format.
        EXPECT_EQ(entry.magic.empty(), row.signature == nullptr);
        for (const Bytes& magic : entry.magic) {
            Bytes file = magic;
            file.resize(std::max<std::size_t>(file.size(), 600), 0);
            if (row.signature != nullptr) {
                EXPECT_TRUE(row.signature(file));
            }
            for (const FormatRow& other : formatTable()) {
                if (&other != &row && other.signature != nullptr) {
                    EXPECT_FALSE(other.signature(file)) << other.name;
                }
            }
        }
    }
    std::set<std::string> declared;
    for (const auto& [type, entry] : entries) declared.insert(type);
    EXPECT_EQ(declared, tableTypes);
}

TEST(PackagingFormats, TheDesktopEntryOpensEveryFormatInTableOrder) {
    const QString install = sourceText("packaging/Install.cmake");
    const QRegularExpression list(QStringLiteral(R"(set\(TESSALINE_OPENS_MIME_TYPES\s+([^)]*)\))"));
    const QRegularExpressionMatch match = list.match(install);
    ASSERT_TRUE(match.hasMatch());
    std::vector<std::string> opened;
    for (const QString& type : match.captured(1).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        opened.push_back(type.toStdString());
    }
    std::vector<std::string> expected;
    for (const FormatRow& row : formatTable()) expected.push_back(text(row.mimeType));
    EXPECT_EQ(opened, expected);
}

// The format names within the parentheses that follow opening in text.
std::set<std::string> namesAfter(const QString& page, const QString& opening) {
    const qsizetype start = page.indexOf(opening);
    EXPECT_GE(start, 0) << opening.toStdString();
    if (start < 0) return {};
    const qsizetype open = page.indexOf(QLatin1Char('('), start + opening.size() - 1);
    const QString inside = page.mid(open + 1, page.indexOf(QLatin1Char(')'), open) - open - 1);
    std::set<std::string> names;
    const QRegularExpression name(QStringLiteral(R"(\b[A-Z][A-Z0-9]{2}\b)"));
    for (auto it = name.globalMatch(inside); it.hasNext();) names.insert(it.next().captured(0).toStdString());
    return names;
}

std::set<std::string> tableNames(bool (*keep)(const FormatRow&)) {
    std::set<std::string> names;
    for (const FormatRow& row : formatTable()) {
        if (keep(row)) names.insert(text(row.name));
    }
    return names;
}

TEST(PackagingFormats, ManualPagesNameEveryFormatAndWhichAreCentred) {
    const auto all = tableNames([](const FormatRow&) { return true; });
    const QString cliPage = sourceText("packaging/man/tessaline-cli.1");
    const QString windowPage = sourceText("packaging/man/tessaline.1");
    EXPECT_EQ(namesAfter(cliPage, QStringLiteral("reads embroidery designs (")), all);
    EXPECT_EQ(namesAfter(windowPage, QStringLiteral("Open an embroidery design (")), all);

    EXPECT_EQ(namesAfter(cliPage, QStringLiteral("for the home\\-machine formats\n(")),
              tableNames([](const FormatRow& row) { return row.centredAutomatically; }));
    const QRegularExpression kept(QStringLiteral(R"(keeps (\w+) and (\w+) as in the file)"));
    const QRegularExpressionMatch match = kept.match(cliPage);
    ASSERT_TRUE(match.hasMatch());
    EXPECT_EQ((std::set<std::string>{match.captured(1).toStdString(), match.captured(2).toStdString()}),
              tableNames([](const FormatRow& row) { return !row.centredAutomatically; }));
}

}  // namespace
}  // namespace tessaline
