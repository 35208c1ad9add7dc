// The converter's files: designs in formats it does not read, outputs that are links, standard
// output or no regular file, and programs and profiles that are pipes.

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;
using test::DstTestEncoder;

// A small square with a colour change half-way.
std::string designBytes() {
    const auto bytes = DstTestEncoder().stitch(30, 0).stitch(0, 30).colourChange().stitch(-30, 0).stitch(0, -30).end().bytes();
    return {bytes.begin(), bytes.end()};
}

// Opens pipe for writing after a while unless stopped: a reader blocked on it is released (and
// sees an empty file), so a hang becomes a failed expectation.
class PipeWatchdog {
public:
    explicit PipeWatchdog(fs::path pipe)
        : pipe_(std::move(pipe)), thread_([this] {
              for (int i = 0; i < 150 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
              while (!done_) {
                  const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0) ::close(fd);
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          }) {}
    ~PipeWatchdog() {
        done_ = true;
        thread_.join();
    }

private:
    fs::path pipe_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The last line of a command's error output: the preview's graphics library may speak first.
std::string lastLine(const std::string& text) {
    const std::size_t end = text.ends_with('\n') ? text.size() - 1 : text.size();
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos || start >= end ? 0 : start + 1);
}

class FilesCommand : public CliFolderTest {};

TEST_F(FilesCommand, FormatsNotReadAreRefusedByEveryCommand) {
    const fs::path vip = write("flower.vip", std::string(3000, '\x33'));
    const fs::path shortDst = write("note.dst", "hello\n");
    const struct {
        fs::path design;
        std::string reason;
    } designs[] = {
        {vip, vip.string() + ": the VIP format (.vip) is not one Tessaline reads; it reads DST, PES, PEC, JEF, EXP,"},
        {shortDst, shortDst.string() + ": not a readable DST design: the file holds only 6 bytes, too short to be a design"},
    };
    for (const auto& d : designs) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"info"}, {"convert"}, {"trace"}, {"preview", "-o", (folder_ / "p.png").string()}}) {
            std::vector<std::string> arguments = command;
            arguments.insert(arguments.begin() + 1, d.design.string());
            SCOPED_TRACE(arguments.front() + " " + d.design.string());
            const auto result = cli(arguments);
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(lastLine(result.err).rfind("tessaline-cli: " + d.reason, 0), 0u) << result.err;
        }
    }
    EXPECT_FALSE(fs::exists(folder_ / "p.png"));
}

// "-" and /dev/stdout are standard output for every writer, with the bytes -o FILE writes.
TEST_F(FilesCommand, DashAndDevStdoutWriteToStandardOutput) {
    const fs::path design = write("a.dst", designBytes());
    for (const std::string command : {"convert", "trace", "preview"}) {
        const fs::path file = folder_ / (command + ".out");
        ASSERT_EQ(cli({command, design.string(), "-o", file.string()}).exitCode, 0) << command;
        const std::string expected = test::slurp(file);
        ASSERT_FALSE(expected.empty());
        for (const std::string output : {"-", "/dev/stdout"}) {
            SCOPED_TRACE(command + " -o " + output);
            const auto result = cli({command, design.string(), "-o", output});
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.out, expected);
        }
    }
    EXPECT_TRUE(fs::is_symlink("/dev/stdout") || !fs::exists("/dev/stdout"));
}

TEST_F(FilesCommand, OutputThroughALinkKeepsTheLink) {
    const fs::path design = write("a.dst", designBytes());
    ASSERT_EQ(cli({"convert", design.string(), "-o", (folder_ / "plain.GC").string()}).exitCode, 0);
    const fs::path target = write("machine/job.GC", "old job");
    const fs::path link = folder_ / "current.GC";
    fs::create_symlink("machine/job.GC", link);
    const auto result = cli({"convert", design.string(), "-o", link.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::slurp(target), test::slurp(folder_ / "plain.GC"));
}

TEST_F(FilesCommand, OutputsThatAreNoRegularFileAreRefused) {
    const fs::path design = write("a.dst", designBytes());
    const fs::path pipe = folder_ / "pipe.GC";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(folder_ / "folder.GC");
    const struct {
        std::string output;
        std::string reason;
    } cases[] = {
        {pipe.string(), "not a regular file but a named pipe"},
        {(folder_ / "folder.GC").string(), "Is a directory"},
        {"/dev/null", "not a regular file but a device"},
    };
    for (const auto& c : cases) {
        for (const std::string command : {"convert", "trace", "preview"}) {
            SCOPED_TRACE(command + " -o " + c.output);
            const auto result = cli({command, design.string(), "-o", c.output});
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_EQ(lastLine(result.err), "tessaline-cli: " + c.output + ": " + c.reason + "\n");
        }
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(FilesCommand, CheckReadsOnlyARegularProgram) {
    const fs::path pipe = folder_ / "program.GC";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const PipeWatchdog watchdog(pipe);
    const auto result = cli({"check", pipe.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessaline-cli: " + pipe.string() + ": not a regular file but a named pipe\n");
}

// A pipe among the user's profiles is skipped with a message; every command still starts.
TEST_F(FilesCommand, PipeInTheProfilesFolderIsSkipped) {
    const fs::path profiles = folder_ / "config" / "Tessaline" / "profiles";
    write("config/Tessaline/profiles/mine.toml", "name = \"Mine\"\nbase = \"grbl 1.1\"\n");
    const fs::path pipe = profiles / "x.toml";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const PipeWatchdog watchdog(pipe);
    const std::string environment = "XDG_CONFIG_HOME='" + (folder_ / "config").string() + "' ";
    const auto listed = cli({"profiles"}, environment);
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("Mine"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("  x "), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "tessaline-cli: skipped " + pipe.string() + ": not a regular file but a named pipe\n");

    const fs::path design = write("a.dst", designBytes());
    const auto converted = cli({"convert", design.string(), "--profile", "Mine"}, environment);
    EXPECT_EQ(converted.exitCode, 0) << converted.err;
    EXPECT_FALSE(converted.out.empty());
}

}  // namespace
}  // namespace tessaline
