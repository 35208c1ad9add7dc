#include "app/GcodeOutput.h"

#include "app/AppInfo.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"
#include "common/AtomicFile.h"
#include "common/NumberFormat.h"
#include "design/DesignSeal.h"
#include "design/WorkStore.h"
#include "gcode/FeedText.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/NeedlePlan.h"
#include "gcode/MachineProfile.h"
#include "gcode/ScratchProgram.h"

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
constexpr double kTraceDwellSeconds = 0.5;  // long enough to see the needle sit over each corner

std::string text(const QWidget* form, const char* name) {
    return form->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
}

bool ticked(const QWidget* form, const char* name) {
    return form->findChild<QCheckBox*>(QString::fromLatin1(name))->checkState() == Qt::Checked;
}

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// What a failed save left at name: the earlier file untouched, or no file, as there was none.
QString leftBehind(const QString& name, bool existed) {
    return existed ? QStringLiteral("%1 is as it was").arg(name) : QStringLiteral("%1 was not created").arg(name);
}

}  // namespace

GcodeOutput::GcodeOutput(QWidget* form, const WindowState& state, const WorkStore& store,
                         std::filesystem::path scratchFile, UserDialogs& dialogs)
    : form_(form),
      state_(state),
      store_(store),
      scratchFile_(std::move(scratchFile)),
      dialogs_(dialogs),
      pane_(form->findChild<GcodePane*>(QStringLiteral("RGcode"))),
      lineCount_(form->findChild<QLabel*>(QStringLiteral("Label1"))) {}

GcodeOptions GcodeOutput::options() const {
    GcodeOptions options;
    options.fileName = text(form_, "Fname");
    options.heightText = text(form_, "lblH");
    options.widthText = text(form_, "lblW");
    options.stitchCountText = text(form_, "lblStitch");
    options.colourCountText = text(form_, "LblColor");
    options.notes = form_->findChild<QPlainTextEdit*>(QStringLiteral("RimpNotes"))->toPlainText().toStdString();
    options.emitG90 = ticked(form_, "G90");
    options.emitG21 = ticked(form_, "G21");
    options.emitG64 = ticked(form_, "G64");
    options.feedText = form_->findChild<QComboBox*>(QStringLiteral("cmbFeed"))->currentText().toStdString();
    options.zStep = parseLenient(form_->findChild<QComboBox*>(QStringLiteral("CmbZmotorCounter"))->currentText().toStdString());
    options.invertX = state_.invertX;
    options.invertY = state_.invertY;
    options.emitM786 = ticked(form_, "M786");
    options.emitM02 = ticked(form_, "M02");
    options.emitM30 = ticked(form_, "M30");
    options.profile = profile_;
    // Progress codes count records; the label holds the loaded design's record count.
    options.recordCount = static_cast<std::size_t>(std::max(0.0, parseLenient(options.stitchCountText)));
    return options;
}

void GcodeOutput::walkDesign(const std::function<void(const DesignRecord&)>& sink) const {
    if (state_.loadedDesign) {
        forEachSealedRecord(store_, *state_.loadedDesign, sink);
    } else {
        store_.forEachRecord(sink);
    }
}

void GcodeOutput::tell(const QString& text) const {
    dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle, text);
}

std::optional<std::string> GcodeOutput::optionsProblem(const GcodeOptions& options) const {
    if (auto problem = feedTextProblem(options.feedText)) return problem;
    return needleStepProblem(options.zStep, options.profile ? *options.profile : classicProfile());
}

GcodeOptions GcodeOutput::planned(GcodeOptions options) const {
    // The store is still read for every line written; a store that no longer holds these records
    // fails that walk by its seal.
    if (!state_.loadedDesign || state_.loadedKinds.empty()) return options;
    NeedlePlanner planner(options.profile ? *options.profile : classicProfile(), options.zStep);
    DesignRecord record;
    for (const RecordKind kind : state_.loadedKinds) {
        record.kind = kind;
        planner.add(record);
    }
    settleNeedle(options, planner.plan());
    return options;
}

bool GcodeOutput::refresh(const QString& consequence) {
    const GcodeOptions current = options();
    if (const auto problem = optionsProblem(current)) {
        tell(QStringLiteral("The G-code program was not refreshed%1:\n%2").arg(consequence, QString::fromStdString(*problem)));
        return false;
    }
    try {
        writeProgramFile(scratchFile_, planned(current), [this](const RecordSink& sink) { walkDesign(sink); });
    } catch (const StoreError& error) {
        tell(QStringLiteral("The stored design cannot be read, so the G-code program was not refreshed%1:\n%2")
                 .arg(consequence, QString::fromStdString(error.what())));
        return false;
    } catch (const FileWriteError& error) {
        tell(QStringLiteral("The G-code program cannot be written, so it was not refreshed%1:\n%2")
                 .arg(consequence, QString::fromStdString(error.what())));
        return false;
    } catch (const NeedleRangeError& error) {
        tell(QStringLiteral("The G-code program was not refreshed%1:\n%2").arg(consequence, QString::fromStdString(error.what())));
        return false;
    }

    // Every line ends with a line break; the pane shows the lines, not an empty one after them.
    QString readProblem;
    if (!pane_->loadProgram(toQString(scratchFile_), &readProblem)) {
        showNoProgram();
        tell(QStringLiteral("The G-code program cannot be read back, so it is not shown%1:\n%2: %3")
                 .arg(consequence, toQString(scratchFile_), readProblem));
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

void GcodeOutput::writeProgram(const QString& name, const GcodeOptions& options) {
    const bool existed = QFileInfo::exists(name);
    try {
        writeProgramFile(QFile::encodeName(name).toStdString(), planned(options),
                         [this](const RecordSink& sink) { walkDesign(sink); });
    } catch (const StoreError& error) {
        tell(QStringLiteral("The stored design cannot be read, so %1 was not written:\n%2")
                 .arg(name, QString::fromStdString(error.what())));
    } catch (const FileWriteError& error) {
        tell(QStringLiteral("The G-code program was not saved; %1:\n%2")
                 .arg(leftBehind(name, existed), QString::fromStdString(error.what())));
    } catch (const NeedleRangeError& error) {
        tell(QStringLiteral("The G-code program was not saved; %1:\n%2")
                 .arg(leftBehind(name, existed), QString::fromStdString(error.what())));
    }
}

void GcodeOutput::save() {
    const QString name = askProgramName(QStringLiteral("Save As"));
    if (name.isEmpty()) return;
    if (!refresh(QStringLiteral(", and %1 was not written").arg(name))) return;
    writeProgram(name, options());
}

void GcodeOutput::saveFromStitch(int caretLine) {
    GcodeOptions current = options();
    if (const auto problem = optionsProblem(current)) {
        tell(QString::fromStdString(*problem));
        return;
    }
    // The needle moves, and which one the caret's line holds, in the program as it is made now;
    // a stroke line belongs to the move line before it.
    const MachineProfile& profile = current.profile ? *current.profile : classicProfile();
    const std::string caretText = getLineInfo(*pane_, 8).toString().toStdString();
    const bool onStroke = caretText.starts_with(profile.moveCode + " " + profile.needleAxis);
    std::uint64_t moves = 0;
    std::uint64_t offered = 1;
    try {
        std::ostream discard(nullptr);
        GcodeWriter writer(current, discard);
        writer.onNeedleMoveLine([&](std::uint64_t move, std::uint64_t line) {
            moves = move;
            if (line == static_cast<std::uint64_t>(caretLine) || (onStroke && line + 1 == static_cast<std::uint64_t>(caretLine))) {
                offered = move;
            }
        });
        walkDesign([&writer](const DesignRecord& record) { writer.add(record); });
        writer.finish();
    } catch (const StoreError& error) {
        tell(QStringLiteral("The stored design cannot be read:\n%1").arg(QString::fromStdString(error.what())));
        return;
    }
    if (moves == 0) {
        tell(QStringLiteral("The design has no stitch or jump to resume at."));
        return;
    }
    const int most = static_cast<int>(std::min<std::uint64_t>(moves, std::numeric_limits<int>::max()));
    const std::optional<int> chosen = dialogs_.askNumber(
        form_, QStringLiteral("Save Gcode from Stitch"),
        QStringLiteral("Resume at needle move (stitches and jumps, 1 to %1):").arg(most), static_cast<int>(offered), 1, most);
    if (!chosen) return;
    const QString name = askProgramName(QStringLiteral("Save Gcode from Stitch"));
    if (name.isEmpty()) return;
    current.resumeFrom = static_cast<std::uint64_t>(*chosen);
    writeProgram(name, current);
}

std::optional<SendPlan> GcodeOutput::sendPlan() const {
    const GcodeOptions current = options();
    if (const auto problem = optionsProblem(current)) {
        tell(QStringLiteral("The design cannot be run:\n%1").arg(QString::fromStdString(*problem)));
        return std::nullopt;
    }
    try {
        return planSend(current, [this](const RecordSink& sink) { walkDesign(sink); });
    } catch (const StoreError& error) {
        tell(QStringLiteral("The stored design cannot be read, so it cannot be run:\n%1").arg(QString::fromStdString(error.what())));
    } catch (const NeedleRangeError& error) {
        tell(QStringLiteral("The design cannot be run:\n%1").arg(QString::fromStdString(error.what())));
    }
    return std::nullopt;
}

void GcodeOutput::saveTrace() {
    GcodeOptions current = options();
    current.notes = kOutlineTraceNotes;
    if (const auto problem = optionsProblem(current)) {
        tell(QString::fromStdString(*problem));
        return;
    }
    const QString name = askProgramName(QStringLiteral("Save Outline Trace"));
    if (name.isEmpty()) return;
    const bool existed = QFileInfo::exists(name);
    try {
        writeFileAtomically(QFile::encodeName(name).toStdString(), [&](std::ostream& out) {
            writeOutlineTrace(current, state_.designFigures, kTraceDwellSeconds, out);
        });
    } catch (const FileWriteError& error) {
        tell(QStringLiteral("The outline trace was not saved; %1:\n%2")
                 .arg(leftBehind(name, existed), QString::fromStdString(error.what())));
    }
}

QString withProgramExtension(const QString& name, const QString& extension) {
    if (name.endsWith(QLatin1Char('.'))) return name + extension;
    if (QFileInfo(name).suffix().isEmpty()) return name + QLatin1Char('.') + extension;
    return name;
}

}  // namespace tessaline
