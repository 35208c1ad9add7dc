// The window's one error presenter: each typed failure of the core, met while the window does one
// of its jobs, in the words the window has always used; anything else is left to the action's guard.

#include "FakeDialogs.h"
#include "app/ErrorMessages.h"
#include "common/AtomicFile.h"
#include "common/InputFile.h"
#include "design/DesignFile.h"
#include "design/WorkStore.h"
#include "gcode/NeedlePlan.h"
#include "machine/SerialLink.h"
#include "session/SessionOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace tessaline::testing {
namespace {

struct Case {
    const char* what;
    FailureContext context;
    std::function<void()> fail;  // throws the failure
    const char* text;            // the dialog text; nullptr: not the presenter's to word
};

template <class Error>
std::function<void()> raise(const char* path, const char* reason) {
    return [=] { throw Error(path, reason); };
}

std::function<void()> refusedFeed() {
    return [] { throw SessionOptionError(OptionField::Feed, "the feed 'x' is not a number"); };
}

TEST(ErrorMessagesTest, EachFailureInEachJobHasTheWindowsWords) {
    const QString file = QStringLiteral("/out/p.GC");
    const std::vector<Case> cases = {
        {"store at start", {WindowJob::StartUp}, raise<StoreError>("/s/Gcode.mdb", "locked"),
         "The work store cannot be used, so designs cannot be loaded:\n/s/Gcode.mdb: locked"},
        {"design file at load", {WindowJob::Load}, raise<DesignFileError>("/d/a.pes", "damaged"),
         "The design file cannot be read:\n/d/a.pes: damaged"},
        {"store at load", {WindowJob::Load}, raise<StoreError>("/s/Gcode.mdb", "full"),
         "The design cannot be stored; the previous design stays:\n/s/Gcode.mdb: full"},
        {"choice at refresh", {WindowJob::Refresh, QStringLiteral(", so the design is not run")}, refusedFeed(),
         "The G-code program was not refreshed, so the design is not run:\nthe feed 'x' is not a number"},
        {"needle range at refresh", {WindowJob::Refresh}, [] { throw NeedleRangeError("too far"); },
         "The G-code program was not refreshed:\ntoo far"},
        {"store at refresh", {WindowJob::Refresh, QStringLiteral("; a.dst is shown without a program")},
         raise<StoreError>("/s/Gcode.mdb", "another design"),
         "The stored design cannot be read, so the G-code program was not refreshed; a.dst is shown without a "
         "program:\n/s/Gcode.mdb: another design"},
        {"scratch write at refresh", {WindowJob::Refresh}, raise<FileWriteError>("/s/Gcodedst.txt", "disk full"),
         "The G-code program cannot be written, so it was not refreshed:\n/s/Gcodedst.txt: disk full"},
        {"scratch read back", {WindowJob::Refresh}, raise<InputFileError>("/s/Gcodedst.txt", "a pipe"),
         "The G-code program cannot be read back, so it is not shown:\n/s/Gcodedst.txt: a pipe"},
        {"store at save", {WindowJob::Save, {}, file, true}, raise<StoreError>("/s/Gcode.mdb", "gone"),
         "The stored design cannot be read, so /out/p.GC was not written:\n/s/Gcode.mdb: gone"},
        {"write at save over a file", {WindowJob::Save, {}, file, true}, raise<FileWriteError>("/out/p.GC", "full"),
         "The G-code program was not saved; /out/p.GC is as it was:\n/out/p.GC: full"},
        {"needle range at save, no file before", {WindowJob::Save, {}, file, false},
         [] { throw NeedleRangeError("too far"); }, "The G-code program was not saved; /out/p.GC was not created:\ntoo far"},
        {"choice before resuming", {WindowJob::SaveFromStitch}, refusedFeed(), "the feed 'x' is not a number"},
        {"store before resuming", {WindowJob::SaveFromStitch}, raise<StoreError>("/s/Gcode.mdb", "gone"),
         "The stored design cannot be read:\n/s/Gcode.mdb: gone"},
        {"choice before a trace", {WindowJob::SaveTrace}, refusedFeed(), "the feed 'x' is not a number"},
        {"write of a trace", {WindowJob::SaveTrace, {}, file, false}, raise<FileWriteError>("/out/p.GC", "full"),
         "The outline trace was not saved; /out/p.GC was not created:\n/out/p.GC: full"},
        {"store while drawing", {WindowJob::Draw}, raise<StoreError>("/s/Gcode.mdb", "gone"),
         "The stored design cannot be read:\n/s/Gcode.mdb: gone"},
        {"hoop before drawing", {WindowJob::Draw},
         [] { throw SessionOptionError(OptionField::HoopDiameter, "the hoop diameter must be above 0"); },
         "The design was not drawn:\nthe hoop diameter must be above 0"},
        {"port at connect", {WindowJob::Connect}, raise<SerialLinkError>("/dev/ttyUSB0", "held by another program"),
         "The machine cannot be connected:\n/dev/ttyUSB0: held by another program"},
        // Failures a job never meets, and failures that are not the core's, go to the guard.
        {"link while drawing", {WindowJob::Draw}, raise<SerialLinkError>("/dev/ttyUSB0", "gone"), nullptr},
        {"design file at save", {WindowJob::Save, {}, file, true}, raise<DesignFileError>("/d/a.dst", "x"), nullptr},
        {"no core failure", {WindowJob::Refresh}, [] { throw std::logic_error("bug"); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.fail();
            FAIL() << "the case throws nothing";
        } catch (const std::exception& error) {
            const std::optional<QString> text = failureText(error, c.context);
            if (c.text) {
                ASSERT_TRUE(text.has_value());
                EXPECT_EQ(text->toStdString(), c.text);
            } else {
                EXPECT_FALSE(text.has_value()) << text->toStdString();
            }
        }
    }
}

TEST(ErrorMessagesTest, ReportTellsTheCoresFailuresAndPassesOthersOn) {
    FakeDialogs dialogs;
    bool ran = false;
    EXPECT_TRUE(reportFailures(dialogs, nullptr, {WindowJob::Draw}, [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(dialogs.messages.empty());

    EXPECT_FALSE(reportFailures(dialogs, nullptr, {WindowJob::Draw}, raise<StoreError>("/s/Gcode.mdb", "gone")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
    EXPECT_EQ(dialogs.messages[0].title, "Tessaline");
    EXPECT_EQ(dialogs.messages[0].text, "The stored design cannot be read:\n/s/Gcode.mdb: gone");

    EXPECT_THROW(reportFailures(dialogs, nullptr, {WindowJob::Draw}, [] { throw std::logic_error("bug"); }),
                 std::logic_error);
    EXPECT_THROW(reportFailures(dialogs, nullptr, {WindowJob::Draw}, raise<SerialLinkError>("/dev/x", "gone")),
                 SerialLinkError);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace tessaline::testing
