#pragma once
// The G-code pane and its line-count label: the option controls read as the person's choices,
// and the loaded design session's jobs run with them.

#include "app/UserDialogs.h"
#include "app/WindowState.h"
#include "machine/SendPlan.h"
#include "session/SessionOptions.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QWidget;

namespace tessaline {

class GcodePane;
struct FailureContext;

class GcodeOutput {
public:
    GcodeOutput(QWidget* form, const WindowState& state, std::filesystem::path scratchFile, UserDialogs& dialogs);

    // What the controls hold now.
    ProgramChoices choices() const;
    // The machine profile of the next refresh and save; none means Classic.
    void setProfile(std::shared_ptr<const MachineProfile> profile) { profile_ = std::move(profile); }

    // Generates into the scratch file, loads it into the pane and shows the line count. When the
    // program cannot be made (the loaded design is gone from the store, the scratch file cannot be
    // written) it tells the user, adding `consequence` to the message, leaves the pane and the count
    // as they were and returns false; when it cannot be read back, the pane shows no program.
    bool refresh(const QString& consequence = {});
    // Empties the pane and puts a note in place of the line count: no program is shown.
    void showNoProgram();
    // Asks for a file name (asking before replacing a file), regenerates, and writes the program
    // there through the same atomic writer as the converter; a failure leaves the file as it was.
    void save();
    // Asks for the needle move to resume at (offering the one on the pane's caretLine, 1-based)
    // and a file name, and saves the program that resumes there.
    void saveFromStitch(int caretLine);
    // The needle move of the program made now on the pane's caretLine (1-based): its move line or
    // its stroke. None when the line holds none, or after telling the user why it cannot be found.
    // found, when given, says whether the program could be made.
    std::optional<std::uint64_t> moveOnCaretLine(int caretLine, bool* found = nullptr);
    // The program Save Gcode writes now, planned for sending and shown in the pane: made once.
    // Nothing after telling the user why it cannot be made or shown, adding `consequence`.
    // With a resume point: the program that resumes at that needle move with tieIns strokes.
    std::optional<SendPlan> runPlan(const QString& consequence, std::uint64_t resumeFrom = 0, int tieIns = 0);
    // Asks for a file name and saves the outline trace of the loaded design.
    void saveTrace();

private:
    // Runs job, telling the user a failure of the core in the words of context; false then.
    bool reported(const FailureContext& context, const std::function<void()>& job) const;
    // Loads the scratch file into the pane and shows its line count; false after telling why not.
    bool showScratch(const QString& consequence);
    // The chosen file, with its extension, once the user agreed to replace it; empty if not.
    QString askProgramName(const QString& title);
    // Writes the program for choices atomically to name, telling the user what went wrong.
    void writeProgram(const QString& name, const ProgramChoices& choices);

    QWidget* form_;
    const WindowState& state_;
    std::filesystem::path scratchFile_;
    UserDialogs& dialogs_;
    GcodePane* pane_;
    QLabel* lineCount_;
    std::shared_ptr<const MachineProfile> profile_;
};

// name with ".<extension>" added when it has none ("p1" -> "p1.GC", "dot." -> "dot.GC").
QString withProgramExtension(const QString& name, const QString& extension);

}  // namespace tessaline
