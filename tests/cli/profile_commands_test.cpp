// `profiles`, `profile show`, `check` and `convert --profile`, as separate processes with
// their own profiles folder.

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;
using test::DstTestEncoder;

const std::vector<std::string> kBuiltins = {"Classic", "grbl 1.1", "grblHAL", "Marlin 2", "LinuxCNC 2.9", "Klipper"};

class ProfileCommands : public CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        DstTestEncoder encoder;
        encoder.jump(10, 20).jump(30, 0).stitch(5, 0).stitch(5, 5).colourChange().stitch(10, 0).end();
        const auto bytes = encoder.bytes();
        design_ = write("d.dst", std::string(bytes.begin(), bytes.end()));
        config_ = folder_ / "config";
        fs::create_directories(config_ / "Tessaline" / "profiles");
    }

    test::CliResult run(const std::vector<std::string>& arguments) {
        return cli(arguments, "XDG_CONFIG_HOME='" + config_.string() + "' ");
    }

    fs::path userProfile(const std::string& name, const std::string& text) {
        const fs::path path = config_ / "Tessaline" / "profiles" / name;
        std::ofstream(path) << text;
        return path;
    }

    fs::path design_;
    fs::path config_;
};

TEST_F(ProfileCommands, ProfilesListsBuiltinsUserProfilesAndTheFolder) {
    userProfile("rotary.toml", "base = \"LinuxCNC 2.9\"\nname = \"Rotary A\"\nneedle_axis = \"A\"\n");
    userProfile("broken.toml", "\nrebase = 7\n");
    const auto result = run({"profiles"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find((config_ / "Tessaline" / "profiles").string()), std::string::npos) << result.out;
    for (const auto& name : kBuiltins) EXPECT_NE(result.out.find("  " + name + " "), std::string::npos) << name;
    EXPECT_NE(result.out.find("Rotary A"), std::string::npos);
    EXPECT_NE(result.err.find("broken.toml: line 2, field 'rebase'"), std::string::npos) << result.err;
}

// Every built-in shown as TOML, saved as a user file and used by path, converts exactly as the
// built-in does; the saved file's program passes its own check.
TEST_F(ProfileCommands, ShownProfileConvertsLikeTheBuiltinAndPassesCheck) {
    for (const auto& name : kBuiltins) {
        SCOPED_TRACE(name);
        const auto shown = run({"profile", "show", name});
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        const fs::path file = write("copy.toml", shown.out);
        const auto byName = run({"convert", design_.string(), "--profile", name});
        const auto byFile = run({"convert", design_.string(), "--profile", file.string()});
        ASSERT_EQ(byName.exitCode, 0) << byName.err;
        EXPECT_EQ(byFile.out, byName.out);
        const fs::path program = write("p.gc", byName.out);
        const auto check = run({"check", program.string(), "--profile", name});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        EXPECT_EQ(check.out, "");
    }
}

TEST_F(ProfileCommands, ClassicCheckedAsGrblListsRefusalsAndExitsOne) {
    const fs::path program = folder_ / "classic.gc";
    ASSERT_EQ(run({"convert", design_.string(), "-o", program.string()}).exitCode, 0);
    const auto result = run({"check", program.string(), "--profile", "grbl 1.1"});
    EXPECT_EQ(result.exitCode, 1);
    for (const std::string code : {":10: G64", ": M6:", ": M7:", ": M786:"}) {
        const std::string wanted = code.starts_with(":1") ? program.string() + code : code.substr(2);
        EXPECT_NE(result.out.find(wanted), std::string::npos) << wanted << " in\n" << result.out;
    }
    EXPECT_NE(result.err.find("findings for grbl 1.1"), std::string::npos) << result.err;
    EXPECT_EQ(run({"check", program.string()}).exitCode, 0) << "Classic is the default and takes its own program";
}

TEST_F(ProfileCommands, UsageErrorsExitTwo) {
    const fs::path program = write("p.gc", "M2\n");
    const fs::path broken = write("broken.toml", "comments = \"braces\"\n");
    const std::vector<std::vector<std::string>> usages = {
        {"check", program.string(), "--profile", "grbl 9"},
        {"check", (folder_ / "absent.gc").string()},
        {"check"},
        {"convert", design_.string(), "--profile", "nothing"},
        {"convert", design_.string(), "--profile", broken.string()},
        {"profile", "show", "nothing"},
        {"profile"},
    };
    for (const auto& arguments : usages) {
        const auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.back() << ": " << result.err;
        EXPECT_EQ(result.out, "") << arguments.back();
    }
    const auto result = run({"convert", design_.string(), "--profile", broken.string()});
    EXPECT_NE(result.err.find(broken.string() + ": line 1, field 'comments'"), std::string::npos) << result.err;
}

TEST_F(ProfileCommands, ConvertWithAProfileLeavesOutWhatItCannotTake) {
    const auto grbl = run({"convert", design_.string(), "--profile", "grbl 1.1"});
    ASSERT_EQ(grbl.exitCode, 0) << grbl.err;
    EXPECT_EQ(grbl.out.find('\r'), std::string::npos);
    EXPECT_EQ(grbl.out.find("\nG64\n"), std::string::npos);
    EXPECT_EQ(grbl.out.find("\nM786\n"), std::string::npos);
    EXPECT_NE(grbl.out.find("\nG92 Z0\n"), std::string::npos);
    EXPECT_TRUE(grbl.out.ends_with("\nM02\nM30\n")) << grbl.out;
    const auto marlin = run({"convert", design_.string(), "--profile", "marlin 2", "--no-m30"});
    ASSERT_EQ(marlin.exitCode, 0) << marlin.err;
    EXPECT_NE(marlin.out.find("\nM73 P100\n"), std::string::npos) << marlin.out;
    EXPECT_EQ(marlin.out.find('('), std::string::npos);
}

}  // namespace
}  // namespace tessaline
