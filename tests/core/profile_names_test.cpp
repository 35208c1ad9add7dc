// Naming a profile: any unambiguous spelling picks it (case, spaces, hyphens, underscores and the
// version do not count), an exact spelling wins, and a name that fits none or several is refused
// with the names to choose from. The same holds for a user profile's base.

#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileCatalog.h"
#include "gcode/ProfileNames.h"
#include "gcode/ProfileToml.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

const std::string kBuiltinList = "Classic, grbl 1.1, grblHAL, Marlin 2, LinuxCNC 2.9, Klipper";

TEST(ProfileNames, EverySpellingOfABuiltinFindsIt) {
    const struct {
        const char* spelling;
        const char* profile;
    } cases[] = {
        {"grbl", "grbl 1.1"},        {"GRBL-1.1", "grbl 1.1"},     {"grbl_1.1", "grbl 1.1"},
        {"Grbl 1.1", "grbl 1.1"},    {"grblhal", "grblHAL"},       {"GRBL HAL", "grblHAL"},
        {"grbl-hal", "grblHAL"},     {"marlin", "Marlin 2"},       {"Marlin2", "Marlin 2"},
        {"marlin_2", "Marlin 2"},    {"linuxcnc", "LinuxCNC 2.9"}, {"Linux CNC 2.9", "LinuxCNC 2.9"},
        {"LINUXCNC-2.9", "LinuxCNC 2.9"}, {"klipper", "Klipper"},  {" KLIPPER ", "Klipper"},
        {"classic", "Classic"},
    };
    const ProfileCatalog catalog;
    for (const auto& c : cases) {
        const auto found = catalog.find(c.spelling);
        ASSERT_NE(found, nullptr) << c.spelling;
        EXPECT_EQ(found->name, c.profile) << c.spelling;
        EXPECT_EQ(catalog.resolve(c.spelling), found) << c.spelling;
    }
}

TEST(ProfileNames, NamesThatFitNoneOrSeveralAreRefusedWithTheNames) {
    const std::vector<std::string_view> names = {"Classic", "grbl 1.1", "grblHAL", "Shop 1", "Shop 2", "grbl", "K40"};
    const struct {
        const char* spelling;
        std::vector<std::size_t> matches;
    } cases[] = {
        {"shop", {3, 4}},     // the version may be left out, so both fit
        {"SHOP-2", {4}},
        {"grbl", {5}},        // an exact spelling wins over a name without its version
        {"GRBL 1.1", {1}},
        {"grbl 1.0", {}},     // another version is another name
        {"k", {}},            // "40" is part of the name, not a version
        {"k40", {6}},
        {"grb", {}},
        {"", {}},
        {" - ", {}},
        {"1.1", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(matchProfileName(names, c.spelling), c.matches) << '"' << c.spelling << '"';

    const ProfileCatalog catalog;
    for (const char* unknown : {"grbl 9", "marl", "smoothie"}) {
        try {
            catalog.resolve(unknown);
            ADD_FAILURE() << unknown << " was accepted";
        } catch (const ProfileError& e) {
            EXPECT_NE(std::string(e.what()).find("(known: " + kBuiltinList + ")"), std::string::npos) << e.what();
        }
    }
}

class ProfileNameFolder : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }
    tessaline::test::TempFolder temp_{"tessaline-names"};
    fs::path folder_ = temp_.path();
};

TEST_F(ProfileNameFolder, UserProfilesShareTheRulesAndAmbiguityListsTheMatches) {
    write("a.toml", "name = \"Shop 1\"\n");
    write("b.toml", "name = \"Shop 2\"\n");
    write("c.toml", "name = \"GRBL-1.1\"\n");  // spells like a built-in: could never be picked
    const ProfileCatalog catalog(folder_);
    ASSERT_EQ(catalog.problems().size(), 1u);
    EXPECT_NE(catalog.problems()[0].find("c.toml"), std::string::npos) << catalog.problems()[0];
    EXPECT_EQ(catalog.find("shop 2")->name, "Shop 2");
    EXPECT_EQ(catalog.find("shop"), nullptr);
    EXPECT_EQ(catalog.matches("shop").size(), 2u);
    try {
        catalog.resolve("shop");
        ADD_FAILURE() << "an ambiguous name was accepted";
    } catch (const ProfileError& e) {
        EXPECT_NE(std::string(e.what()).find("more than one profile (Shop 1, Shop 2)"), std::string::npos) << e.what();
    }
}

TEST_F(ProfileNameFolder, BaseTakesAnySpellingAndAnUnknownOneListsTheBuiltins) {
    const struct {
        const char* base;
        const char* builtin;
    } cases[] = {{"grbl", "grbl 1.1"}, {"GRBL-HAL", "grblHAL"}, {"linuxcnc", "LinuxCNC 2.9"}, {"marlin", "Marlin 2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        write("mine.toml", std::string("name = \"Mine\"\nbase = \"") + c.base + "\"\n");
        const ProfileCatalog catalog(folder_);
        ASSERT_TRUE(catalog.problems().empty()) << catalog.problems()[0];
        MachineProfile expected = *ProfileCatalog().find(c.builtin);
        expected.name = "Mine";
        EXPECT_EQ(profileToToml(*catalog.find("mine")), profileToToml(expected));
    }
    write("mine.toml", "base = \"smoothie\"\n");
    const ProfileCatalog catalog(folder_);
    ASSERT_EQ(catalog.problems().size(), 1u);
    EXPECT_NE(catalog.problems()[0].find("field 'base'"), std::string::npos) << catalog.problems()[0];
    EXPECT_NE(catalog.problems()[0].find("(known: " + kBuiltinList + ")"), std::string::npos) << catalog.problems()[0];
}

}  // namespace
}  // namespace tessaline
