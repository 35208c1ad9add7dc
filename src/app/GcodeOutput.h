#pragma once
// The G-code pane and its line-count label: regenerating the program from the stored design and
// the option controls, and saving it.

#include "app/UserDialogs.h"
#include "app/WindowState.h"
#include "gcode/GcodeOptions.h"

#include <filesystem>

class QLabel;
class QWidget;

namespace tessaline {

class GcodePane;
class WorkStore;

class GcodeOutput {
public:
    GcodeOutput(QWidget* form, const WindowState& state, const WorkStore& store, std::filesystem::path scratchFile,
                UserDialogs& dialogs);

    // The generator's inputs as the controls hold them now.
    GcodeOptions options() const;

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
    GcodePane* pane_;
    QLabel* lineCount_;
};

}  // namespace tessaline
