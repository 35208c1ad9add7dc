// Nothing lost, nothing mixed: two windows on one folder, a store changed or removed behind the
// window's back, a disk that fills up during a save, and the names a save really writes.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "app/GcodeOutput.h"
#include "app/StoreLocation.h"
#include "common/AtomicFile.h"
#include "design/WorkStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cerrno>
#include <fstream>

#include <unistd.h>

namespace tessaline::testing {
namespace {

void writeFile(const QString& path, const std::string& content) {
    std::ofstream(path.toStdString(), std::ios::binary) << content;
}

test::DstTestEncoder firstDesign() {
    test::DstTestEncoder design;
    design.jump(0, 0).stitch(10, 20).stitch(5, 0).end();
    return design;
}

test::DstTestEncoder secondDesign() {
    test::DstTestEncoder design;
    design.stitch(-30, 7).stitch(-30, 7).colourChange().stitch(40, 40).end();
    return design;
}

class StoreSafetyTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        open(writeDesign("first.dst", firstDesign()));
        ASSERT_TRUE(dialogs.messages.empty());
        firstProgram = pane()->text();
    }
    GcodePane* pane() const { return window->control<GcodePane>("RGcode"); }
    // Saves through "SAVE GCODE" to path; returns the messages it gave.
    std::vector<RecordedMessage> save(const QString& path) {
        dialogs.messages.clear();
        dialogs.fileNames.push_back(path);
        window->saveGcode();
        return dialogs.messages;
    }
    // Files in the test folder whose names say they are leftovers of a write.
    QStringList temporaries() const {
        return QDir(folder.path()).entryList({QStringLiteral(".*.tmp-*")}, QDir::Files | QDir::Hidden);
    }

    QString firstProgram;
};

TEST_F(StoreSafetyTest, TwoWindowsOnOneFolderKeepTheirOwnDesigns) {
    // What a killed second window left behind goes when the next one needs a private folder.
    QTemporaryDir abandoned(QDir::temp().filePath("tessaline-window-XXXXXX"));
    abandoned.setAutoRemove(false);
    writeFile(QDir(abandoned.path()).filePath("Gcode.mdb"), "");
    FakeDialogs otherDialogs;
    auto other = std::make_unique<MainWindow>(folder.path().toStdString(), otherDialogs);
    const std::filesystem::path privateFolder = other->storePath().parent_path();
    EXPECT_NE(other->storePath(), window->storePath());
    EXPECT_NE(other->scratchPath(), window->scratchPath());
    EXPECT_FALSE(QFileInfo::exists(abandoned.path()));
    otherDialogs.fileNames.push_back(writeDesign("second.dst", secondDesign()));
    other->openDst();
    ASSERT_TRUE(otherDialogs.messages.empty());
    const QString secondProgram = other->control<GcodePane>("RGcode")->text();
    EXPECT_TRUE(secondProgram.contains("(File Name: second.dst)"));

    // The first window's Populate and save still give its own design, whole.
    window->populateGcode();
    EXPECT_EQ(pane()->text(), firstProgram);
    EXPECT_TRUE(save(folder.filePath("first.GC")).empty());
    QString saved = QString::fromStdString(readFileBytes(folder.filePath("first.GC")));
    saved.replace("\r\n", "\n");
    EXPECT_EQ(saved, firstProgram + "\n");

    other.reset();
    EXPECT_FALSE(std::filesystem::exists(privateFolder)) << "the private folder goes with its window";
    // With the other window gone, a new one takes the shared folder again once this one closes.
    window.reset();
    FakeDialogs thirdDialogs;
    MainWindow third(folder.path().toStdString(), thirdDialogs);
    EXPECT_EQ(third.storePath().parent_path(), std::filesystem::path(folder.path().toStdString()));
}

// Another program replaced, emptied or removed the store: no program may be made of what is
// there now, and the file chosen for the save stays as it was.
TEST_F(StoreSafetyTest, AStoreChangedBehindTheWindowsBackIsNeverSaved) {
    const QString target = folder.filePath("keep.GC");
    const auto replaceWithSecond = [this] {
        WorkStore intruder(window->storePath());
        intruder.replaceDesign([](const RecordSink& sink) {
            sink({RecordKind::Stitch, 1, 1});
            sink({RecordKind::Stitch, 2, 2});
            sink({RecordKind::Stitch, 3, 3});
            sink({RecordKind::Stitch, 4, 4});
        });
    };
    const auto empty = [this] { WorkStore(window->storePath()).replaceDesign([](const RecordSink&) {}); };
    const auto remove = [this] {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::path file = window->storePath();
            file += suffix;
            std::filesystem::remove(file);
        }
    };
    for (const auto& spoil : {std::function<void()>(replaceWithSecond), std::function<void()>(empty),
                              std::function<void()>(remove)}) {
        open(folder.filePath("first.dst"));
        dialogs.confirmAnswer = true;
        writeFile(target, "the user's earlier program");
        const QString lineCount = window->control<QLabel>("Label1")->text();
        spoil();

        const auto messages = save(target);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_TRUE(messages[0].text.contains("not refreshed")) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains(target + " was not written")) << messages[0].text.toStdString();
        EXPECT_EQ(readFileBytes(target), "the user's earlier program");
        EXPECT_EQ(pane()->text(), firstProgram);
        EXPECT_EQ(window->control<QLabel>("Label1")->text(), lineCount);
        EXPECT_TRUE(temporaries().isEmpty());
    }

    // The next load makes the removed store anew, says so once, and works.
    dialogs.messages.clear();
    open(folder.filePath("first.dst"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("was missing"));
    EXPECT_TRUE(save(target).empty());
    EXPECT_NE(readFileBytes(target).find("(File Name: first.dst)"), std::string::npos);
}

TEST_F(StoreSafetyTest, ADiskThatFillsDuringTheSaveKeepsTheEarlierFile) {
    const QString target = folder.filePath("full.GC");
    writeFile(target, "the user's earlier program");
    for (const std::size_t after : {std::size_t{0}, std::size_t{100}}) {
        injectWriteFault(QFile::encodeName(target).toStdString(), after, ENOSPC);
        const auto messages = save(target);
        clearWriteFaults();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_TRUE(messages[0].text.contains(target));
        EXPECT_TRUE(messages[0].text.contains("No space left on device"));
        EXPECT_EQ(readFileBytes(target), "the user's earlier program");
        EXPECT_TRUE(temporaries().isEmpty());
    }
    // The scratch file failing: the pane and its count stay, and the save says the file was not written.
    injectWriteFault(window->scratchPath(), 10, EIO);
    const auto messages = save(target);
    clearWriteFaults();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("not refreshed"));
    EXPECT_TRUE(messages[0].text.contains(target + " was not written"));
    EXPECT_EQ(pane()->text(), firstProgram);
    EXPECT_EQ(readFileBytes(target), "the user's earlier program");
}

TEST_F(StoreSafetyTest, TheOverwriteQuestionNamesTheFileReallyWritten) {
    writeFile(folder.filePath("p1.GC"), "earlier");
    dialogs.confirmAnswer = false;
    EXPECT_TRUE(save(folder.filePath("p1")).empty());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].contains("p1.GC"));
    EXPECT_EQ(readFileBytes(folder.filePath("p1.GC")), "earlier");

    dialogs.confirmAnswer = true;
    EXPECT_TRUE(save(folder.filePath("p1")).empty());
    EXPECT_NE(readFileBytes(folder.filePath("p1.GC")), "earlier");
    EXPECT_TRUE(save(folder.filePath("fresh.GC")).empty());
    EXPECT_EQ(dialogs.questions.size(), 2u) << "a new file needs no question";
}

TEST(ProgramExtensionTest, AddedOnlyWhereTheNameHasNone) {
    const struct {
        const char* name;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"/w/p1", "GC", "/w/p1.GC"},      {"/w/dot.", "GC", "/w/dot.GC"},       {"/w/m", "NC", "/w/m.NC"},
        {"/w/kept.txt", "GC", "/w/kept.txt"}, {"/w/a.b/name", "GC", "/w/a.b/name.GC"}, {"/w/x.NC", "GC", "/w/x.NC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withProgramExtension(QString::fromLatin1(c.name), QString::fromLatin1(c.extension)),
                  QString::fromLatin1(c.expected));
}

}  // namespace
}  // namespace tessaline::testing

namespace tessaline::testing {
namespace {

TEST(StoreFolderTest, AReadOnlyStoreOrFolderTakesNoStore) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes to read-only files anyway";
    QTemporaryDir root;
    const std::filesystem::path program = root.filePath("program").toStdString();
    std::filesystem::create_directories(program);
    EXPECT_TRUE(storeFolderWritable(program));
    writeFile(QString::fromStdString((program / "Gcode.mdb").string()), "");
    std::filesystem::permissions(program / "Gcode.mdb", std::filesystem::perms::owner_read);
    EXPECT_FALSE(storeFolderWritable(program));
    std::filesystem::remove(program / "Gcode.mdb");
    std::filesystem::permissions(program, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(storeFolderWritable(program));
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace tessaline::testing
