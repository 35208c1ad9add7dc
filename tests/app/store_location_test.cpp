// Where the work store goes: beside the program when it may write there, never in an installed
// copy's folder, else in the user's data folder.

#include "app/StoreLocation.h"

#include "TempFolder.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessaline::testing {
namespace {

namespace fs = std::filesystem;

class StoreLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "usr" / "bin");
        fs::create_directories(root / "build");
        fs::create_directories(root / "user");
        // A merged-/usr system reaches /usr/bin also as /bin.
        fs::create_directory_symlink(root / "usr" / "bin", root / "bin");
    }
    test::TempFolder temp_{"tessaline-store"};
    fs::path root = temp_.path();
};

TEST_F(StoreLocationTest, ChoosesByWritabilityAndInstalledFolders) {
    const fs::path user = root / "user";
    const fs::path usrBin = root / "usr" / "bin";
    const fs::path build = root / "build";
    struct Case {
        const char* what;
        fs::path program;
        bool writable;
        std::vector<fs::path> installed;
        fs::path expected;
    };
    const std::vector<Case> cases = {
        {"build folder, writable", build, true, {usrBin}, build},
        {"build folder, read-only", build, false, {usrBin}, user},
        {"installed folder, writable (run as root)", usrBin, true, {usrBin}, user},
        {"installed folder, read-only", usrBin, false, {usrBin}, user},
        {"installed folder reached through a link", root / "bin", true, {usrBin}, user},
        {"installed folder named through a link", usrBin, true, {root / "bin"}, user},
        {"installed folder named with a trailing slash and dots", usrBin, true, {root / "usr" / "." / "bin" / ""}, user},
        {"second of several installed folders", usrBin, true, {root / "usr" / "local" / "bin", usrBin}, user},
        {"parent of the program folder is installed", usrBin, true, {root / "usr"}, usrBin},
        {"subfolder of the program folder is installed", root / "usr", true, {usrBin}, root / "usr"},
        {"folder with an installed folder's name as prefix", root / "usr" / "binary", true, {usrBin}, root / "usr" / "binary"},
        {"no installed folders known", usrBin, true, {}, usrBin},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseStoreFolder(c.program, c.writable, c.installed, user), c.expected) << c.what;
}

TEST_F(StoreLocationTest, BuiltProgramKeepsItsStoreBesideItself) {
    // The test runs from the build folder, which is writable and is no installed copy's folder.
    const fs::path programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    EXPECT_EQ(defaultStoreFolder(), programFolder);
}

}  // namespace
}  // namespace tessaline::testing
