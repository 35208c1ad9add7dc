// User profile files: TOML in and out, the catalog of a profiles folder, and where it lives.

#include "ProfileTestSupport.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileCatalog.h"
#include "gcode/ProfileToml.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

const MachineProfile* findBuiltin(std::string_view name) {
    for (const auto& profile : builtinProfiles()) {
        if (profile.name == name) return &profile;
    }
    return nullptr;
}

const std::vector<DesignRecord> kDesign = {
    {RecordKind::Jump, 0, 0},   {RecordKind::Jump, 1, 1},  {RecordKind::Jump, 2, 1},     {RecordKind::Stitch, 3, 1},
    {RecordKind::Stitch, 4, 2}, {RecordKind::ColourChange, 4, 2}, {RecordKind::Stitch, 5, 2}, {RecordKind::ColourChange, 6, 3},
};

std::string programOf(const MachineProfile& profile) {
    GcodeOptions options;
    options.recordCount = kDesign.size();
    return test::program(options, kDesign, std::make_shared<const MachineProfile>(profile));
}

class BuiltinAsToml : public ::testing::TestWithParam<std::size_t> {};

// What `profile show` prints reads back to a profile that writes the same program.
TEST_P(BuiltinAsToml, ReadsBackToTheSameProfile) {
    const MachineProfile& builtin = builtinProfiles().at(GetParam());
    const std::string toml = profileToToml(builtin);
    const MachineProfile back = profileFromToml(toml, "copy.toml", findBuiltin);
    EXPECT_EQ(back.name, builtin.name);
    EXPECT_EQ(profileToToml(back), toml);
    EXPECT_EQ(programOf(back), programOf(builtin));
}

INSTANTIATE_TEST_SUITE_P(Profiles, BuiltinAsToml, ::testing::Range<std::size_t>(0, 6));

TEST(ProfileToml, BaseGivesEveryFieldTheFileDoesNotSet) {
    const MachineProfile mine = profileFromToml("base = \"grbl 1.1\"\nneedle_axis = \"A\"\n[limits]\nline_length = 120\n",
                                                "/p/rotary.toml", findBuiltin);
    EXPECT_EQ(mine.name, "rotary");
    EXPECT_EQ(mine.needleAxis, "A");
    EXPECT_EQ(mine.limits.lineLength, 120u);
    MachineProfile expected = *findBuiltin("grbl 1.1");
    expected.name = "rotary";
    expected.needleAxis = "A";
    expected.limits.lineLength = 120;
    EXPECT_EQ(profileToToml(mine), profileToToml(expected));

    const MachineProfile plain = profileFromToml("name = \"Plain\"\nline_end = \"lf\"\n", "x.toml", findBuiltin);
    MachineProfile classic = classicProfile();
    classic.name = "Plain";
    classic.lineEnd = "\n";
    EXPECT_EQ(profileToToml(plain), profileToToml(classic));
}

struct MalformedCase {
    const char* name;
    std::string text;
    std::size_t line;
    std::string field;
};

class MalformedProfile : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedProfile, ErrorNamesFileLineAndField) {
    const MalformedCase& c = GetParam();
    try {
        profileFromToml(c.text, "/home/u/bad.toml", findBuiltin);
        FAIL() << "accepted: " << c.text;
    } catch (const ProfileError& e) {
        EXPECT_EQ(e.path(), fs::path("/home/u/bad.toml"));
        EXPECT_EQ(e.line(), c.line) << e.what();
        EXPECT_EQ(e.field(), c.field) << e.what();
        const std::string what = e.what();
        EXPECT_EQ(what.rfind("/home/u/bad.toml: line " + std::to_string(c.line), 0), 0u) << what;
        if (!c.field.empty()) {
            EXPECT_NE(what.find("'" + c.field + "'"), std::string::npos) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProfileToml, MalformedProfile,
    ::testing::Values(MalformedCase{"Syntax", "name = \"a\"\nrebase = \n", 2, ""},
                      MalformedCase{"UnknownField", "name = \"a\"\n\nneedle_axe = \"A\"\n", 3, "needle_axe"},
                      MalformedCase{"UnknownLimit", "[limits]\nline_lenght = 3\n", 2, "limits.line_lenght"},
                      MalformedCase{"WrongType", "rebase = \"yes\"\n", 1, "rebase"},
                      MalformedCase{"ListOfNumbers", "\ncolour_stop = [\"M0\", 5]\n", 2, "colour_stop"},
                      MalformedCase{"BadChoice", "comments = \"braces\"\n", 1, "comments"},
                      MalformedCase{"BadLineEnd", "line_end = \"cr\"\n", 1, "line_end"},
                      MalformedCase{"NegativeCount", "trim_jumps = -1\n", 1, "trim_jumps"},
                      MalformedCase{"DigitsOutOfRange", "[limits]\nmax_digits = 40\n", 2, "limits.max_digits"},
                      MalformedCase{"ZeroRange", "[limits]\n\nmax_value = 0\n", 3, "limits.max_value"},
                      MalformedCase{"UnknownBase", "\n\nbase = \"grbl 9\"\n", 3, "base"},
                      MalformedCase{"EmptyName", "name = \"\"\n", 1, "name"},
                      MalformedCase{"LimitsNotATable", "limits = 3\n", 1, "limits"},
                      // Fields that would let the program drive the wrong axis or start a line of its own.
                      MalformedCase{"NeedleAxisX", "\nneedle_axis = \"X\"\n", 2, "needle_axis"},
                      MalformedCase{"NeedleAxisEmpty", "needle_axis = \"\"\n", 1, "needle_axis"},
                      MalformedCase{"NeedleAxisTwoLetters", "needle_axis = \"ZA\"\n", 1, "needle_axis"},
                      MalformedCase{"NeedleAxisNotAnAxis", "needle_axis = \"F\"\n", 1, "needle_axis"},
                      MalformedCase{"NegativeTravelFeed", "base = \"grbl 1.1\"\ntravel_feed = \"-500\"\n", 2, "travel_feed"},
                      MalformedCase{"TravelFeedWithWords", "travel_feed = \"500 M30\"\n", 1, "travel_feed"},
                      MalformedCase{"InfiniteRange", "[limits]\nmax_value = inf\n", 2, "limits.max_value"},
                      MalformedCase{"NameWithLineBreak", "name = \"a\\nM30\"\n", 1, "name"},
                      MalformedCase{"NameWithControl", "name = \"a\\u0007\"\n", 1, "name"},
                      MalformedCase{"HeaderLineBreak", "header_lines = [\"G4 P1\\nM30\"]\n", 1, "header_lines"},
                      MalformedCase{"ColourStopBreak", "\ncolour_stop = [\"M0\\r$100=1\"]\n", 2, "colour_stop"},
                      MalformedCase{"ProgressBreak", "progress = \"M73 P{percent}\\nM30\"\n", 1, "progress"},
                      MalformedCase{"FeedLineBreak", "feed_line = \"F{feed}\\n$$\"\n", 1, "feed_line"},
                      MalformedCase{"UnknownProtocol", "\nprotocol = \"serial\"\n", 2, "protocol"},
                      MalformedCase{"RealtimeInGrblStop", "base = \"grbl 1.1\"\ntrim_stop = [\"M0 (Trim!)\"]\n", 2, "trim_stop"}),
    [](const auto& info) { return std::string(info.param.name); });

class ProfileFolder : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }
    tessaline::test::TempFolder temp_{"tessaline-profiles"};
    fs::path folder_ = temp_.path();
};

TEST_F(ProfileFolder, GoodFilesJoinTheBuiltinsAndBadOnesAreSkippedWithAMessage) {
    write("b-rotary.toml", "base = \"LinuxCNC 2.9\"\nname = \"Rotary\"\nneedle_axis = \"A\"\n");
    write("a-broken.toml", "name = \"Broken\"\nrebase = 3\n");
    write("c-clash.toml", "name = \"klipper\"\n");
    write("notes.txt", "not a profile");
    const ProfileCatalog catalog(folder_);
    ASSERT_EQ(catalog.profiles().size(), builtinProfiles().size() + 1);
    EXPECT_EQ(catalog.profiles().back()->name, "Rotary");
    ASSERT_EQ(catalog.problems().size(), 2u);
    EXPECT_NE(catalog.problems()[0].find((folder_ / "a-broken.toml").string() + ": line 2, field 'rebase'"),
              std::string::npos)
        << catalog.problems()[0];
    EXPECT_NE(catalog.problems()[1].find("c-clash.toml"), std::string::npos) << catalog.problems()[1];

    EXPECT_EQ(catalog.find("rotary"), catalog.profiles().back());
    EXPECT_EQ(catalog.find("GRBL 1.1")->name, "grbl 1.1");
    EXPECT_EQ(catalog.find("Broken"), nullptr);
    EXPECT_EQ(catalog.resolve((folder_ / "b-rotary.toml").string())->needleAxis, "A");
    EXPECT_THROW(catalog.resolve("nothing"), ProfileError);
    EXPECT_THROW(catalog.resolve((folder_ / "a-broken.toml").string()), ProfileError);
    EXPECT_THROW(catalog.resolve((folder_ / "missing.toml").string()), ProfileError);
}

TEST_F(ProfileFolder, MissingFolderGivesTheBuiltinsAlone) {
    const ProfileCatalog catalog(folder_ / "absent");
    EXPECT_EQ(catalog.profiles().size(), builtinProfiles().size());
    EXPECT_TRUE(catalog.problems().empty());
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ProfileFolderPlace, FollowsXdgConfigHomeElseHome) {
    const ScopedEnv home("HOME", "/home/someone");
    {
        const ScopedEnv xdg("XDG_CONFIG_HOME", "/etc/cfg");
        EXPECT_EQ(userProfileFolder(), fs::path("/etc/cfg/Tessaline/profiles"));
    }
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/cfg"}) {
        const ScopedEnv xdg("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(userProfileFolder(), fs::path("/home/someone/.config/Tessaline/profiles")) << (ignored ? ignored : "unset");
    }
}

}  // namespace
}  // namespace tessaline
