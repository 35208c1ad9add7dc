// The format table itself: one row per format, no name or extension claimed twice, and the
// short lists the help texts take from it.

#include "design/FormatTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace tessaline {
namespace {

TEST(FormatTable, EveryFormatHasOneRowAndNoFactIsClaimedTwice) {
    std::set<std::string_view> names, extensions, mimeTypes;
    for (const FormatRow& row : formatTable()) {
        SCOPED_TRACE(std::string(row.name));
        EXPECT_EQ(&formatRow(row.format), &row);
        EXPECT_TRUE(names.insert(row.name).second);
        EXPECT_TRUE(mimeTypes.insert(row.mimeType).second);
        EXPECT_TRUE(row.mimeType.starts_with("application/x-")) << row.mimeType;
        EXPECT_FALSE(row.maker.empty());
        EXPECT_NE(row.read, nullptr);
        ASSERT_FALSE(row.extensions.empty());
        for (const std::string_view extension : row.extensions) {
            EXPECT_TRUE(extensions.insert(extension).second) << extension;
            for (const char ch : extension) {
                EXPECT_TRUE(std::islower(static_cast<unsigned char>(ch)) || std::isdigit(static_cast<unsigned char>(ch)))
                    << extension;
            }
        }
    }
    EXPECT_EQ(readableFormats().size(), formatTable().size());
}

TEST(FormatTable, HelpSamplesPickFromTheTable) {
    const struct {
        std::size_t count;
        FormatSample sample;
        std::string list;
    } cases[] = {
        {7, FormatSample::Leading, "DST, PES, PEC, JEF, EXP, VP3, XXX, ..."},
        {3, FormatSample::OnePerMaker, "DST, PES, JEF, ..."},
        {7, FormatSample::OnePerMaker, "DST, PES, JEF, EXP, VP3, XXX, PCS, ..."},
        {0, FormatSample::Leading, "..."},
        {99, FormatSample::Leading, "DST, PES, PEC, JEF, EXP, VP3, XXX, HUS, SEW, SHV, PCS, ..."},
    };
    for (const auto& c : cases) EXPECT_EQ(formatSampleList(c.count, c.sample), c.list) << c.count;
}

}  // namespace
}  // namespace tessaline
