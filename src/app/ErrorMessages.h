#pragma once
// The one place where the core's typed failures become the window's dialog text: the failure
// and what the window was doing when it came give the words. Nothing else in the window words a
// core error.

#include "app/UserDialogs.h"

#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <utility>

class QWidget;

namespace tessaline {

// What the window was doing.
enum class WindowJob {
    StartUp,         // opening the work store at start
    Load,            // reading a design and storing it
    Refresh,         // making the pane's program (Populate, a load, before a save or a run)
    Save,            // writing the program to a file the user chose
    SaveFromStitch,  // finding the needle moves to offer for a resumed program
    SaveTrace,       // writing the outline trace
    Draw,            // replaying the stored design on the preview
    Connect,         // opening the machine's port
};

struct FailureContext {
    FailureContext(WindowJob job, QString consequence = {}, QString file = {}, bool fileExisted = false)
        : job(job), consequence(std::move(consequence)), file(std::move(file)), fileExisted(fileExisted) {}

    WindowJob job;
    QString consequence;       // Refresh: what else does not happen, as ", so the design is not run"
    QString file;              // Save, SaveTrace: the file that was to be written
    bool fileExisted = false;  // Save, SaveTrace: whether it was there before
};

// The dialog text of error met during context.job; nothing for an error that is none of the
// core's typed failures (the action's guard words those).
std::optional<QString> failureText(const std::exception& error, const FailureContext& context);

// Runs job. A typed failure of the core is told to the user as a critical message in the words
// of failureText and gives false; anything else passes on.
bool reportFailures(UserDialogs& dialogs, QWidget* parent, const FailureContext& context,
                    const std::function<void()>& job);

}  // namespace tessaline
