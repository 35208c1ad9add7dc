#include "app/GcodeOutput.h"

#include "app/AppInfo.h"
#include "app/ErrorMessages.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"
#include "common/AtomicFile.h"
#include "common/InputFile.h"
#include "common/NumberFormat.h"
#include "session/SessionJobs.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <ostream>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>

namespace tessaline {

namespace {

const QString kGcodeFilter = QStringLiteral("Gcode (*.GC)");
const QString kNcFilter = QStringLiteral("NC file (*.NC)");
const QString kAllFilter = QStringLiteral("All Files (*)");

bool ticked(const QWidget* form, const char* name) {
    return form->findChild<QCheckBox*>(QString::fromLatin1(name))->checkState() == Qt::Checked;
}

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

std::filesystem::path toPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

GcodeOutput::GcodeOutput(QWidget* form, const WindowState& state, std::filesystem::path scratchFile,
                         UserDialogs& dialogs)
    : form_(form),
      state_(state),
      scratchFile_(std::move(scratchFile)),
      dialogs_(dialogs),
      pane_(form->findChild<GcodePane*>(QStringLiteral("RGcode"))),
      lineCount_(form->findChild<QLabel*>(QStringLiteral("Label1"))) {}

ProgramChoices GcodeOutput::choices() const {
    ProgramChoices choices;
    choices.notes = form_->findChild<QPlainTextEdit*>(QStringLiteral("RimpNotes"))->toPlainText().toStdString();
    choices.emitG90 = ticked(form_, "G90");
    choices.emitG21 = ticked(form_, "G21");
    choices.emitG64 = ticked(form_, "G64");
    choices.feedText = form_->findChild<QComboBox*>(QStringLiteral("cmbFeed"))->currentText().toStdString();
    // Lenient: a step that is no number reads as 0 and is refused as one.
    choices.needleStep =
        parseLenient(form_->findChild<QComboBox*>(QStringLiteral("CmbZmotorCounter"))->currentText().toStdString());
    choices.invertX = state_.invertX;
    choices.invertY = state_.invertY;
    choices.emitM786 = ticked(form_, "M786");
    choices.emitM02 = ticked(form_, "M02");
    choices.emitM30 = ticked(form_, "M30");
    choices.profile = profile_;
    return choices;
}

bool GcodeOutput::reported(const FailureContext& context, const std::function<void()>& job) const {
    return reportFailures(dialogs_, form_, context, job);
}

bool GcodeOutput::refresh(const QString& consequence) {
    if (!state_.session) return false;
    const DesignSession& session = *state_.session;
    const bool written = reported({WindowJob::Refresh, consequence}, [&] {
        saveProgram(session, programOptions(session, choices()), scratchFile_);
    });
    return written && showScratch(consequence);
}

bool GcodeOutput::showScratch(const QString& consequence) {
    // Every line ends with a line break; the pane shows the lines, not an empty one after them.
    QString readProblem;
    if (!pane_->loadProgram(toQString(scratchFile_), &readProblem)) {
        showNoProgram();
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle,
                         *failureText(InputFileError(scratchFile_, readProblem.toStdString()),
                                      {WindowJob::Refresh, consequence}));
        return false;
    }
    lineCount_->setText(QString());
    lineCount_->setText(QStringLiteral("No. of Gcode Lines: ") + QString::fromStdString(formatInteger(getLineInfo(*pane_, 7).toInt())));
    lineCount_->setVisible(true);
    return true;
}

void GcodeOutput::showNoProgram() {
    pane_->clear();
    lineCount_->setText(QStringLiteral("No G-code program: Populate makes it"));
    lineCount_->setVisible(true);
}

QString GcodeOutput::askProgramName(const QString& title) {
    QString chosenFilter;
    QString name = dialogs_.saveFileName(form_, title, {kGcodeFilter, kNcFilter, kAllFilter}, kGcodeFilter, &chosenFilter);
    if (name.isEmpty()) return {};
    name = withProgramExtension(name, chosenFilter == kNcFilter ? QStringLiteral("NC") : QStringLiteral("GC"));
    // The question comes after the extension is known, so it is about the file really written.
    if (QFileInfo::exists(name) &&
        !dialogs_.confirm(form_, QStringLiteral("Confirm Save As"),
                          QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(name).fileName())))
        return {};
    return name;
}

void GcodeOutput::writeProgram(const QString& name, const ProgramChoices& choices) {
    const DesignSession& session = *state_.session;
    reported({WindowJob::Save, {}, name, QFileInfo::exists(name)},
             [&] { saveProgram(session, programOptions(session, choices), toPath(name)); });
}

void GcodeOutput::save() {
    const QString name = askProgramName(QStringLiteral("Save As"));
    if (name.isEmpty()) return;
    if (!refresh(QStringLiteral(", and %1 was not written").arg(name))) return;
    writeProgram(name, choices());
}

void GcodeOutput::saveFromStitch(int caretLine) {
    if (!state_.session) return;
    const DesignSession& session = *state_.session;
    ProgramChoices current = choices();
    bool found = true;
    const std::uint64_t offered = moveOnCaretLine(caretLine, &found).value_or(0);
    if (!found) return;
    const std::uint64_t moves = session.needleMoves();
    if (moves == 0) {
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle,
                         QStringLiteral("The design has no stitch or jump to resume at."));
        return;
    }
    const int most = static_cast<int>(std::min<std::uint64_t>(moves, std::numeric_limits<int>::max()));
    const std::optional<int> chosen = dialogs_.askNumber(
        form_, QStringLiteral("Save Gcode from Stitch"),
        QStringLiteral("Resume at needle move (stitches and jumps, 1 to %1):").arg(most),
        static_cast<int>(std::min<std::uint64_t>(std::max<std::uint64_t>(offered, 1), static_cast<std::uint64_t>(most))), 1,
        most);
    if (!chosen) return;
    const QString name = askProgramName(QStringLiteral("Save Gcode from Stitch"));
    if (name.isEmpty()) return;
    current.resumeFrom = std::to_string(*chosen);
    writeProgram(name, current);
}

std::optional<std::uint64_t> GcodeOutput::moveOnCaretLine(int caretLine, bool* found) {
    if (!state_.session) return std::nullopt;
    const DesignSession& session = *state_.session;
    // The needle moves, and which one the caret's line holds, in the program as it is made now.
    std::uint64_t move = 0;
    const bool made = reported({WindowJob::SaveFromStitch}, [&] {
        const GcodeOptions options = programOptions(session, choices());
        move = needleMoveOnLine(session, options, static_cast<std::uint64_t>(std::max(caretLine, 0)),
                                getLineInfo(*pane_, 8).toString().toStdString());
    });
    if (found) *found = made;
    if (move == 0) return std::nullopt;
    return move;
}

std::optional<SendPlan> GcodeOutput::runPlan(const QString& consequence, std::uint64_t resumeFrom, int tieIns) {
    if (!state_.session) return std::nullopt;
    const DesignSession& session = *state_.session;
    ProgramChoices chosen = choices();
    if (resumeFrom > 0) chosen.resumeFrom = std::to_string(resumeFrom);
    chosen.tieIns = tieIns;
    std::optional<SendPlan> plan;
    // One program: planned for the link, and the same text in the scratch file and the pane.
    const bool written = reported({WindowJob::Refresh, consequence}, [&] {
        plan = sendPlan(session, programOptions(session, chosen));
        writeFileAtomically(scratchFile_, [&plan](std::ostream& out) { out << plan->text; });
    });
    if (!written || !showScratch(consequence)) return std::nullopt;
    return plan;
}

void GcodeOutput::saveTrace() {
    if (!state_.session) return;
    const DesignSession& session = *state_.session;
    GcodeOptions options;
    if (!reported({WindowJob::SaveTrace}, [&] { options = traceOptions(session, choices()); })) return;
    const QString name = askProgramName(QStringLiteral("Save Outline Trace"));
    if (name.isEmpty()) return;
    reported({WindowJob::SaveTrace, {}, name, QFileInfo::exists(name)},
             [&] { tessaline::saveTrace(session, options, toPath(name)); });
}

QString withProgramExtension(const QString& name, const QString& extension) {
    if (name.endsWith(QLatin1Char('.'))) return name + extension;
    if (QFileInfo(name).suffix().isEmpty()) return name + QLatin1Char('.') + extension;
    return name;
}

}  // namespace tessaline
