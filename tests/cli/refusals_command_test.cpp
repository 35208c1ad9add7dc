// Inputs the converter must refuse before it writes anything: a feed a controller would
// misread, and an output that is the design itself.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;

class Refusals : public CliFolderTest {};

TEST_F(Refusals, FeedThatIsNotANumberExitsOneNamingItAndWritesNothing) {
    const fs::path design = write("a.dst", test::twoColourDesignBytes());
    for (const std::string feed : {"1500 G0 X50", "1500mm", "1500\n$100=1\n$$", "1500 (", "1500;x", "-3"}) {
        const fs::path output = folder_ / "a.gc";
        const auto toFile = cli({"convert", design.string(), "--feed", feed, "-o", output.string()});
        EXPECT_EQ(toFile.exitCode, 1) << feed;
        EXPECT_NE(toFile.err.find("'" + feed + "'"), std::string::npos) << toFile.err;
        EXPECT_FALSE(fs::exists(output)) << feed;
        const auto toStdout = cli({"convert", design.string(), "--feed", feed});
        EXPECT_EQ(toStdout.exitCode, 1) << feed;
        EXPECT_EQ(toStdout.out, "") << feed;
        for (const char* profile : {"grbl 1.1", "Klipper"}) {
            const auto worded = cli({"convert", design.string(), "--feed", feed, "--profile", profile});
            EXPECT_EQ(worded.exitCode, 1) << feed << " " << profile;
            EXPECT_EQ(worded.out, "") << feed << " " << profile;
        }
    }
    for (const std::string feed : {"2500.5", ""}) {
        const auto accepted = cli({"convert", design.string(), "--feed", feed});
        EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
        EXPECT_NE(accepted.out.find("\r\nF " + feed + "\r\n"), std::string::npos) << feed;
    }
}

struct SameFileCase {
    const char* name;
    // Makes the output argument that names the design at path in folder, by some other spelling.
    std::function<std::string(const fs::path& folder, const fs::path& design)> output;
};

class SameFileRefusals : public CliFolderTest, public ::testing::WithParamInterface<SameFileCase> {};

TEST_P(SameFileRefusals, ConvertAndPreviewLeaveTheDesignIntact) {
    const std::string bytes = test::twoColourDesignBytes();
    const fs::path design = write("a.dst", bytes);
    const std::string output = GetParam().output(folder_, design);
    for (const std::string command : {"convert", "preview"}) {
        const auto result = cli({command, design.string(), "-o", output});
        EXPECT_EQ(result.exitCode, 1) << command << ": " << result.err;
        EXPECT_NE(result.err.find(output), std::string::npos) << result.err;
        EXPECT_EQ(test::slurp(design), bytes) << command << " replaced the design";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, SameFileRefusals,
    ::testing::Values(
        SameFileCase{"SameName", [](const fs::path&, const fs::path& design) { return design.string(); }},
        SameFileCase{"OtherSpelling",
                     [](const fs::path& folder, const fs::path&) { return (folder / "." / "a.dst").string(); }},
        SameFileCase{"SymbolicLink",
                     [](const fs::path& folder, const fs::path& design) {
                         fs::create_symlink(design, folder / "link.gc");
                         return (folder / "link.gc").string();
                     }},
        SameFileCase{"HardLink",
                     [](const fs::path& folder, const fs::path& design) {
                         fs::create_hard_link(design, folder / "hard.gc");
                         return (folder / "hard.gc").string();
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessaline
