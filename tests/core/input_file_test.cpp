// Every reader of user files (designs, profiles, programs, the profiles folder) under the same
// policy: regular files only, never blocking on a pipe or device, never past the kind's size.

#include "common/InputFile.h"
#include "design/DesignFile.h"
#include "design/DstDecoder.h"
#include "gcode/ProfileCatalog.h"
#include "gcode/ProfileToml.h"
#include "gcode/ScratchProgram.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

// Runs work in a child process and returns what it returned; a child that blocks is ended by its
// alarm, so a reader that hangs fails the test instead of hanging the suite.
std::string inGuardedChild(const std::function<std::string()>& work) {
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no child";
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(10);
        std::string result;
        try {
            result = work();
        } catch (const std::exception& e) {
            result = std::string("unexpected exception: ") + e.what();
        }
        [[maybe_unused]] const auto written = ::write(channel[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char chunk[4096];
    for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;) result.append(chunk, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "the reader hung or crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    return result;
}

const MachineProfile* noBase(std::string_view) { return nullptr; }

const InputLimit kProgramLimit{kMaxProgramFileBytes, kProgramTooLarge};

// Each reader of a kind of user file: the reason it refuses path with, or "read".
const struct Reader {
    const char* kind;
    std::function<void(const fs::path&)> read;
} kReaders[] = {
    {"design", [](const fs::path& path) { readDesignFile(path); }},
    {"profile", [](const fs::path& path) { readProfileFile(path, noBase); }},
    {"program", [](const fs::path& path) { readInputText(path, kProgramLimit); }},
};

std::string reasonOf(const Reader& reader, const fs::path& path) {
    try {
        reader.read(path);
        return "read";
    } catch (const PathError& e) {
        return e.path() == path ? e.reason() : "wrong path " + e.path().string();
    }
}

class InputFileTest : public ::testing::Test {
protected:
    fs::path sparse(const std::string& name, std::uintmax_t size) const {
        const fs::path path = folder_ / name;
        std::ofstream{path};
        fs::resize_file(path, size);
        return path;
    }

    tessaline::test::TempFolder temp_{"tessaline-input"};
    fs::path folder_ = temp_.path();
};

TEST_F(InputFileTest, EveryKindRefusesWhatIsNotARegularFile) {
    const fs::path pipe = folder_ / "pipe.toml";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path folder = folder_ / "folder.toml";
    fs::create_directory(folder);
    const fs::path toZero = folder_ / "zero.toml";
    fs::create_symlink("/dev/zero", toZero);
    const struct {
        fs::path path;
        const char* reason;
    } cases[] = {
        {pipe, "not a regular file but a named pipe"},
        {folder, "Is a directory"},
        {toZero, "not a regular file but a device"},
        {folder_ / "missing.toml", "No such file or directory"},
    };
    for (const Reader& reader : kReaders) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(reader.kind) + " " + c.path.string());
            EXPECT_EQ(inGuardedChild([&] { return reasonOf(reader, c.path); }), c.reason);
        }
    }
}

TEST_F(InputFileTest, EachKindHasItsOwnSizeLimit) {
    const struct {
        const Reader& reader;
        std::uintmax_t limit;
        const char* tooLarge;
    } cases[] = {
        {kReaders[0], kMaxDesignFileBytes, "more than any DST design can"},
        {kReaders[1], kMaxProfileFileBytes, "more than any profile needs"},
        {kReaders[2], kMaxProgramFileBytes, "more than Tessaline writes for the largest design"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reader.kind);
        // Sparse: a refused file is never read, so its size costs nothing.
        const fs::path over = sparse(std::string(c.reader.kind) + ".over", c.limit + 1);
        EXPECT_EQ(reasonOf(c.reader, over), "the file holds " + std::to_string(c.limit + 1) + " bytes, " + c.tooLarge +
                                                " (at most " + std::to_string(c.limit) + ")");
    }
    // A profile at its limit still reads: comments fill it.
    const fs::path full = folder_ / "full.toml";
    {
        std::ofstream out(full, std::ios::binary);
        const std::string line = "# " + std::string(1021, '-') + "\n";
        for (std::uintmax_t i = 0; i < kMaxProfileFileBytes / line.size(); ++i) out << line;
    }
    ASSERT_EQ(fs::file_size(full), kMaxProfileFileBytes);
    EXPECT_EQ(reasonOf(kReaders[1], full), "read");
}

TEST_F(InputFileTest, ReadsInPiecesToTheEnd) {
    std::string content(300'000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 13 + i / 251);
    const fs::path path = folder_ / "program.gc";
    std::ofstream(path, std::ios::binary) << content;
    EXPECT_EQ(readInputText(path, kProgramLimit), content);
    InputFile file(path, kProgramLimit);
    EXPECT_EQ(file.size(), content.size());
    std::string pieces;
    char chunk[7'000];
    while (const std::size_t got = file.read(chunk, sizeof chunk)) pieces.append(chunk, got);
    EXPECT_EQ(pieces, content);
}

TEST_F(InputFileTest, FileGrowingPastItsLimitWhileReadIsRefused) {
    const fs::path path = folder_ / "growing.toml";
    std::ofstream(path) << "name = \"x\"\n";
    InputFile file(path, {16, "too much"});
    std::ofstream(path, std::ios::app) << std::string(100, '#');
    char chunk[64];
    try {
        while (file.read(chunk, sizeof chunk) != 0) {
        }
        FAIL() << "no error";
    } catch (const InputFileError& e) {
        EXPECT_EQ(e.reason(), "the file grew past 16 bytes while it was read");
    }
}

// The profiles folder: what cannot be a profile is a problem naming it; the good files still load.
TEST_F(InputFileTest, ProfilesFolderOfPipesFoldersAndDevicesLoadsTheRest) {
    std::ofstream(folder_ / "good.toml") << "name = \"Good\"\n";
    ASSERT_EQ(::mkfifo((folder_ / "pipe.toml").c_str(), 0600), 0);
    fs::create_directory(folder_ / "folder.toml");
    fs::create_symlink("/dev/zero", folder_ / "zero.toml");
    const std::string outcome = inGuardedChild([&] {
        const ProfileCatalog catalog(folder_);
        std::string text = catalog.profiles().back()->name + "\n";
        for (const auto& problem : catalog.problems()) text += problem + "\n";
        return text;
    });
    EXPECT_EQ(outcome, "Good\n" + (folder_ / "folder.toml").string() + ": Is a directory\n" +
                           (folder_ / "pipe.toml").string() + ": not a regular file but a named pipe\n" +
                           (folder_ / "zero.toml").string() + ": not a regular file but a device\n");
}

TEST_F(InputFileTest, ProfilesPathThatIsAFileIsAProblemNamingIt) {
    const fs::path file = folder_ / "profiles";
    std::ofstream(file) << "name = \"x\"\n";
    const ProfileCatalog catalog(file);
    ASSERT_EQ(catalog.problems().size(), 1u);
    EXPECT_EQ(catalog.problems().front(), file.string() + ": not a folder, so no user profiles were read");
    EXPECT_EQ(ProfileCatalog().profiles().size(), catalog.profiles().size());

    // A folder that does not exist yet is no problem: it only holds no profiles.
    EXPECT_TRUE(ProfileCatalog(folder_ / "none").problems().empty());
}

}  // namespace
}  // namespace tessaline
