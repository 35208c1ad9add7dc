// The window's files: a design in a format no reader reads, and the pane's program file under
// the input-file rules.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "design/DesignFormat.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline::testing {
namespace {

namespace fs = std::filesystem;

class FilesWindowTest : public WindowTest {
protected:
    GcodePane* pane() const { return window->control<GcodePane>("RGcode"); }
    fs::path path(const char* name) const { return folder.filePath(QString::fromLatin1(name)).toStdString(); }
};

TEST_F(FilesWindowTest, DesignInAFormatNotReadIsRefusedWithTheSameMessage) {
    const QString vip = folder.filePath("flower.vip");
    QFile file(vip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2000, '\x5a'));
    file.close();
    open(vip);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    try {
        detectFormat(std::vector<std::uint8_t>(2000, 0x5a), vip.toStdString());
        FAIL() << "the core reads the file";
    } catch (const UnreadableDesignError& e) {
        EXPECT_TRUE(dialogs.messages[0].text.contains(QString::fromStdString(e.what()))) << dialogs.messages[0].text.toStdString();
    }
    EXPECT_TRUE(dialogs.messages[0].text.contains("the VIP format (.vip) is not one Tessaline reads"));
    EXPECT_TRUE(pane()->text().isEmpty());
}

// A reader that blocked on the pipe would be released by the watchdog and come back with an
// empty program, so the test fails instead of hanging.
TEST_F(FilesWindowTest, PaneReadsOnlyARegularProgramFile) {
    const fs::path pipe = path("pipe.GC");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done) ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
    });
    const struct {
        fs::path file;
        const char* reason;
    } cases[] = {
        {pipe, "not a regular file but a named pipe"},
        {path(""), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        pane()->setText("before");
        QString error;
        EXPECT_FALSE(pane()->loadProgram(QString::fromStdString(c.file.string()), &error));
        EXPECT_EQ(error, c.reason);
        EXPECT_TRUE(pane()->text().isEmpty());
    }
    done = true;
    watchdog.join();
}

}  // namespace
}  // namespace tessaline::testing
