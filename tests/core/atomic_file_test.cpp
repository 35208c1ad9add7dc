#include "common/AtomicFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <utility>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    static void put(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    // Names in the folder other than the given one: leftovers of a write.
    std::vector<std::string> othersThan(const std::string& name) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            if (entry.path().filename() != name) names.push_back(entry.path().filename().string());
        }
        return names;
    }

    tessaline::test::TempFolder temp_{"tessaline-atomic"};
    fs::path folder_ = temp_.path();
};

TEST_F(AtomicFileTest, CreatesAndReplacesWholeContent) {
    const fs::path target = folder_ / "out.gc";
    writeFileAtomically(target, [](std::ostream& out) { out << "first\r\nline"; });
    EXPECT_EQ(read(target), "first\r\nline");

    const std::string big(300'000, 'x');  // larger than any internal buffer
    writeFileAtomically(target, [&](std::ostream& out) {
        out << "a";
        out.write(big.data(), static_cast<std::streamsize>(big.size()));
        out << "z";
    });
    EXPECT_EQ(read(target), "a" + big + "z");

    writeFileAtomically(target, [](std::ostream&) {});
    EXPECT_EQ(read(target), "");
    EXPECT_TRUE(othersThan("out.gc").empty());
}

TEST_F(AtomicFileTest, RelativeTargetLandsInCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(folder_);
    writeFileAtomically("plain.txt", [](std::ostream& out) { out << "here"; });
    fs::current_path(before);
    EXPECT_EQ(read(folder_ / "plain.txt"), "here");
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsPermissions) {
    const fs::path target = folder_ / "keep.gc";
    put(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    writeFileAtomically(target, [](std::ostream& out) { out << "new"; });
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, ThrowingWriterKeepsOldFileAndLeavesNoTemporary) {
    const fs::path target = folder_ / "out.gc";
    put(target, "old content");
    EXPECT_THROW(writeFileAtomically(target,
                                     [](std::ostream& out) {
                                         out << std::string(200'000, 'n');
                                         throw std::logic_error("walker broke");
                                     }),
                 std::logic_error);
    EXPECT_EQ(read(target), "old content");
    EXPECT_TRUE(othersThan("out.gc").empty());
}

TEST_F(AtomicFileTest, FailedStreamIsAFailureEvenWithoutAnException) {
    const fs::path target = folder_ / "out.gc";
    put(target, "old content");
    try {
        writeFileAtomically(target, [](std::ostream& out) {
            out << "partial";
            out.setstate(std::ios::badbit);
        });
        FAIL() << "no FileWriteError";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.path(), target);
        EXPECT_FALSE(e.reason().empty());
    }
    EXPECT_EQ(read(target), "old content");
    EXPECT_TRUE(othersThan("out.gc").empty());
}

TEST_F(AtomicFileTest, UnwritableFolderNamesThePath) {
    const fs::path notAFolder = folder_ / "file";
    put(notAFolder, "x");
    const fs::path target = notAFolder / "out.gc";
    try {
        writeFileAtomically(target, [](std::ostream& out) { out << "never"; });
        FAIL() << "no FileWriteError";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.path(), target);
        EXPECT_EQ(std::string(e.what()), target.string() + ": " + e.reason());
        EXPECT_NE(e.reason().find("Not a directory"), std::string::npos) << e.reason();
    }
    EXPECT_EQ(read(notAFolder), "x");
}

TEST_F(AtomicFileTest, FolderInTheWayOfTheTargetIsReportedAndRemoved) {
    const fs::path target = folder_ / "taken";
    fs::create_directory(target);
    fs::create_directory(target / "inside");  // rename cannot replace a non-empty folder
    EXPECT_THROW(writeFileAtomically(target, [](std::ostream& out) { out << "data"; }), FileWriteError);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_TRUE(othersThan("taken").empty());
}

// Caps the size of files this process may write, as a full disk would; writes past the cap fail
// with an error instead of raising SIGXFSZ.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit capped = previous_;
        capped.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeCap() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

TEST_F(AtomicFileTest, FullDiskIsDetectedAndOldFileKept) {
    const fs::path target = folder_ / "out.gc";
    put(target, "old content");
    {
        FileSizeCap cap(100'000);
        if (!cap.active()) GTEST_SKIP() << "cannot limit the file size here";
        try {
            writeFileAtomically(target, [](std::ostream& out) {
                for (int i = 0; i < 10'000; ++i) out << "G01 X1.5 Y-2 Z30 \r\n";
            });
            ADD_FAILURE() << "no FileWriteError";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(e.path(), target);
            EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos);
        }
    }
    EXPECT_EQ(read(target), "old content");
    EXPECT_TRUE(othersThan("out.gc").empty());
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// Writes that fail part-way (injected after N bytes, as a full disk or a failing device fails
// them) never reach the target and leave no temporary file.
TEST_F(AtomicFileTest, InjectedWriteFaultsKeepTheOldFile) {
    const fs::path target = folder_ / "out.gc";
    const std::string program(200'000, 'G');
    struct Case {
        std::size_t failAfter;
        int error;
        const char* reason;
    };
    for (const Case& c : {Case{0, ENOSPC, "No space left on device"}, Case{1, EIO, "Input/output error"},
                          Case{65'536, ENOSPC, "No space left on device"}, Case{199'999, EDQUOT, "quota"}}) {
        SCOPED_TRACE(c.failAfter);
        put(target, "old content");
        injectWriteFault(target, c.failAfter, c.error);
        try {
            writeFileAtomically(target, [&](std::ostream& out) { out << program; });
            ADD_FAILURE() << "no FileWriteError";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(e.path(), target);
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
        }
        clearWriteFaults();
        EXPECT_EQ(read(target), "old content");
        EXPECT_TRUE(othersThan("out.gc").empty());
    }
    // A fault for another file does not touch this one.
    injectWriteFault(folder_ / "other.gc", 0, ENOSPC);
    writeFileAtomically(target, [&](std::ostream& out) { out << program; });
    clearWriteFaults();
    EXPECT_EQ(read(target), program);
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// A write through a link replaces the file the links lead to and keeps every link a link.
TEST_F(AtomicFileTest, LinksStayLinksAndTheirFinalTargetIsReplaced) {
    fs::create_directory(folder_ / "real");
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link name, what it points to
        std::string written;                                        // the file the content lands in
        bool targetExists;
    } cases[] = {
        {"absolute", {{"abs.gc", (folder_ / "real" / "a.gc").string()}}, "real/a.gc", true},
        {"relative, through a folder", {{"rel.gc", "real/b.gc"}}, "real/b.gc", true},
        {"a chain of two", {{"first.gc", "second.gc"}, {"second.gc", "real/c.gc"}}, "real/c.gc", true},
        {"dangling", {{"dangling.gc", "real/new.gc"}}, "real/new.gc", false},
    };
    std::size_t links = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        links += c.links.size();
        if (c.targetExists) put(folder_ / c.written, "old");
        for (const auto& [link, to] : c.links) fs::create_symlink(to, folder_ / link);
        const fs::path target = folder_ / c.links.front().first;
        writeFileAtomically(target, [&](std::ostream& out) { out << "new " << c.name; });
        EXPECT_EQ(read(folder_ / c.written), std::string("new ") + c.name);
        for (const auto& [link, to] : c.links) {
            EXPECT_TRUE(fs::is_symlink(folder_ / link)) << link;
            EXPECT_EQ(fs::read_symlink(folder_ / link), to) << link;
        }
    }
    EXPECT_EQ(othersThan("real").size(), links);  // the links themselves, and no temporary
    for (const auto& entry : fs::directory_iterator(folder_ / "real")) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

TEST_F(AtomicFileTest, TargetsThatAreNotRegularFilesAreRefused) {
    const fs::path pipe = folder_ / "pipe.gc";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path folder = folder_ / "folder.gc";
    fs::create_directory(folder);
    const fs::path toDevice = folder_ / "null.gc";
    fs::create_symlink("/dev/null", toDevice);
    const fs::path loop = folder_ / "loop.gc";
    fs::create_symlink("loop.gc", loop);
    const struct {
        fs::path target;
        const char* reason;
    } cases[] = {
        {pipe, "not a regular file but a named pipe"},
        {folder, "Is a directory"},
        {toDevice, "not a regular file but a device"},
        {"/dev/null", "not a regular file but a device"},
        {loop, "Too many levels of symbolic links"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        try {
            writeFileAtomically(c.target, [](std::ostream& out) { out << "never"; });
            ADD_FAILURE() << "no FileWriteError";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(e.path(), c.target);
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
        }
    }
    EXPECT_TRUE(fs::is_symlink(toDevice));
    EXPECT_TRUE(fs::is_fifo(pipe));
    for (const auto& name : othersThan("")) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

// A child saves part of a program, then waits inside the write until it is killed by the signal.
TEST_F(AtomicFileTest, EndingSignalsRemoveTheTemporaryAndKeepTheOldFile) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const fs::path target = folder_ / "out.GC";
        put(target, "old content");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            ::alarm(30);  // a handler that failed to end the child fails the test instead of hanging it
            try {
                writeFileAtomically(target, [&](std::ostream& out) {
                    out << std::string(3'000'000, 'G');
                    out.flush();
                    const char byte = 1;
                    [[maybe_unused]] const auto sent = ::write(ready[1], &byte, 1);
                    for (;;) ::pause();
                });
            } catch (...) {
            }
            ::_exit(1);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        // The temporary is there while the child writes.
        EXPECT_EQ(othersThan("out.GC").size(), 1u);
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(read(target), "old content");
        EXPECT_TRUE(othersThan("out.GC").empty());
    }
}

// The temporary's name carries its writer's pid; a save sweeps those whose writer is gone.
TEST_F(AtomicFileTest, StaleTemporariesOfDeadWritersAreSweptLiveOnesKept) {
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const pid_t alive = ::fork();
    ASSERT_GE(alive, 0);
    if (alive == 0) {
        for (;;) ::pause();
    }
    const std::string deadName = ".out.GC.tmp-" + std::to_string(dead) + "-77";
    const std::string liveName = ".out.GC.tmp-" + std::to_string(alive) + "-78";
    const std::string otherFile = ".other.GC.tmp-" + std::to_string(dead) + "-79";
    const std::string noPid = ".out.GC.tmp-123456";
    for (const auto& name : {deadName, liveName, otherFile, noPid}) put(folder_ / name, "partial");

    writeFileAtomically(folder_ / "out.GC", [](std::ostream& out) { out << "program"; });
    ::kill(alive, SIGKILL);
    ::waitpid(alive, nullptr, 0);

    EXPECT_EQ(read(folder_ / "out.GC"), "program");
    EXPECT_FALSE(fs::exists(folder_ / deadName));
    EXPECT_TRUE(fs::exists(folder_ / liveName));
    EXPECT_TRUE(fs::exists(folder_ / otherFile));  // another file's, swept by its own saves
    EXPECT_TRUE(fs::exists(folder_ / noPid));      // no writer to ask about
}

}  // namespace
}  // namespace tessaline
