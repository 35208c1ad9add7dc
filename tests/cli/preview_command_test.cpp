#include "DstTestEncoder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out.append("'\\''");
        } else {
            out.push_back(c);
        }
    }
    out.push_back('\'');
    return out;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

class PreviewCommand : public ::testing::Test {
protected:
    fs::path writeDesign(const test::DstTestEncoder& design, const std::string& name = "design.dst") {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(design.bytes().data()),
                  static_cast<std::streamsize>(design.bytes().size()));
        return path;
    }

    // Two colours, a jump and a stitch away from the origin, so every option changes the picture.
    static test::DstTestEncoder twoColourDesign() {
        test::DstTestEncoder design;
        design.jump(100, 50);
        for (int i = 0; i < 20; ++i) design.stitch(i % 2 == 0 ? 30 : -25, 6);
        design.colourChange();
        for (int i = 0; i < 20; ++i) design.stitch(-6, i % 2 == 0 ? 30 : -25);
        design.end();
        return design;
    }

    // Runs tessaline-cli with the arguments; returns its exit status.
    int run(const std::vector<std::string>& args) {
        std::string command = quoted(TESSALINE_CLI);
        for (const auto& a : args) command.append(" ").append(quoted(a));
        command.append(" >").append(quoted((dir_ / "stdout.txt").string()));
        command.append(" 2>").append(quoted((dir_ / "stderr.txt").string()));
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string stderrText() const { return readAll(dir_ / "stderr.txt"); }

    // The picture rendered with the default options plus extra.
    std::string render(const std::vector<std::string>& extra) {
        const fs::path design = writeDesign(twoColourDesign());
        const fs::path png = dir_ / "out.png";
        std::vector<std::string> args{"preview", design.string(), "-o", png.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(args), 0) << stderrText();
        return readAll(png);
    }

    tessaline::test::TempFolder temp_{"tessaline-preview"};
    fs::path dir_ = temp_.path();
};

TEST_F(PreviewCommand, WritesTheCanvasAsAPngAndNothingElse) {
    const fs::path design = writeDesign(twoColourDesign());
    const fs::path png = dir_ / "preview.png";
    ASSERT_EQ(run({"preview", design.string(), "-o", png.string()}), 0) << stderrText();

    const std::string bytes = readAll(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian32(bytes, 16), 667u);  // 10000 twips at 15 twips per pixel
    EXPECT_EQ(bigEndian32(bytes, 20), 667u);

    // No temporary file is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"design.dst", "preview.png", "stderr.txt", "stdout.txt"}));
}

TEST_F(PreviewCommand, ReplacesAnExistingImage) {
    const fs::path design = writeDesign(twoColourDesign());
    const fs::path png = dir_ / "preview.png";
    std::ofstream(png) << "old content";
    ASSERT_EQ(run({"preview", design.string(), "-o", png.string()}), 0) << stderrText();
    EXPECT_EQ(readAll(png).substr(1, 3), "PNG");
}

TEST_F(PreviewCommand, SameInputGivesTheSamePicture) {
    const std::string first = render({});
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(render({}), first);
    EXPECT_EQ(render({"--scale", "4", "--thread", "1", "--hoop-diameter", "150"}), first) << "the defaults";
}

TEST_F(PreviewCommand, EveryOptionChangesThePicture) {
    const std::string plain = render({});
    for (const std::vector<std::string>& option :
         {std::vector<std::string>{"--scale", "2"}, {"--thread", "3"}, {"--invert-x"}, {"--invert-y"},
          {"--hoop-diameter", "100"}, {"--no-hoop"}, {"--no-boundary"}}) {
        SCOPED_TRACE(option.front());
        const std::string changed = render(option);
        EXPECT_FALSE(changed.empty());
        EXPECT_NE(changed, plain);
    }
}

TEST_F(PreviewCommand, EmptyAndShortDesignsStillGiveAPicture) {
    test::DstTestEncoder empty;  // header only: no rows, width and height come out negative
    const fs::path design = writeDesign(empty);
    const fs::path png = dir_ / "empty.png";
    ASSERT_EQ(run({"preview", design.string(), "-o", png.string()}), 0) << stderrText();
    EXPECT_EQ(bigEndian32(readAll(png), 16), 667u);
}

TEST_F(PreviewCommand, UsageErrorsExitWithTwo) {
    const fs::path design = writeDesign(twoColourDesign());
    const std::string out = (dir_ / "out.png").string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"preview", design.string(), "-o", out, "--scale", "0"},
          {"preview", design.string(), "-o", out, "--scale", "12"},
          {"preview", design.string(), "-o", out, "--scale", "four"},
          {"preview", design.string(), "-o", out, "--thread", "5"},
          {"preview", design.string(), "-o", out, "--thread", "0"},
          {"preview", design.string(), "-o", out, "--hoop-diameter", "-1"},
          {"preview", design.string()},
          {"preview", "-o", out}}) {
        SCOPED_TRACE(args.size() > 4 ? args[4] + " " + args[5] : std::to_string(args.size()));
        EXPECT_EQ(run(args), 2);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(PreviewCommand, UnreadableDesignExitsWithOneAndNamesIt) {
    const fs::path out = dir_ / "out.png";
    const fs::path missing = dir_ / "missing.dst";
    EXPECT_EQ(run({"preview", missing.string(), "-o", out.string()}), 1);
    EXPECT_NE(stderrText().find(missing.string() + ": "), std::string::npos) << stderrText();
    EXPECT_FALSE(fs::exists(out));

    EXPECT_EQ(run({"preview", dir_.string(), "-o", out.string()}), 1);  // a folder
    EXPECT_NE(stderrText().find(dir_.string()), std::string::npos) << stderrText();
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(PreviewCommand, UnwritableImageExitsWithOneAndNamesIt) {
    const fs::path design = writeDesign(twoColourDesign());
    const fs::path out = dir_ / "no-such-folder" / "out.png";
    EXPECT_EQ(run({"preview", design.string(), "-o", out.string()}), 1);
    EXPECT_NE(stderrText().find(out.string() + ": "), std::string::npos) << stderrText();
}

}  // namespace
}  // namespace tessaline
