#include "common/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder_ = fs::temp_directory_path() /
                  ("tessaline-atomic-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

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

    fs::path folder_;
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
