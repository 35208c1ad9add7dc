#pragma once
// The G-code pane and its line-count label: regenerating the program from the stored design and
// the option controls, and saving it.

#include "app/UserDialogs.h"
#include "app/WindowState.h"
#include "gcode/GcodeOptions.h"

#include <filesystem>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace tessaline {

class WorkStore;

class GcodeOutput {
public:
    GcodeOutput(QWidget* form, const WindowState& state, const WorkStore& store, std::filesystem::path scratchFile,
                UserDialogs& dialogs);

    // The generator's inputs as the controls hold them now.
    GcodeOptions options() const;
    // The machine profile of the next refresh and save; none means Classic.
    void setProfile(std::shared_ptr<const MachineProfile> profile) { profile_ = std::move(profile); }

    // Generates into the scratch file, loads it into the pane and shows the line count.
    // Returns false (after telling the user) when the scratch file cannot be written or read.
    bool refresh();
    // Asks for a file name, regenerates, and writes the program there atomically.
    void save();

private:
    QWidget* form_;
    const WindowState& state_;
    const WorkStore& store_;
    std::filesystem::path scratchFile_;
    UserDialogs& dialogs_;
    QPlainTextEdit* pane_;
    QLabel* lineCount_;
    std::shared_ptr<const MachineProfile> profile_;
};

}  // namespace tessaline
