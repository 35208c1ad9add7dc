#include "app/GcodeOutput.h"

#include "app/AppInfo.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"
#include "common/AtomicFile.h"
#include "common/NumberFormat.h"
#include "design/WorkStore.h"
#include "gcode/ScratchProgram.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace tessaline {

namespace {

const QString kGcodeFilter = QStringLiteral("Gcode (*.GC)");
const QString kNcFilter = QStringLiteral("NC file (*.NC)");
const QString kAllFilter = QStringLiteral("All Files (*)");

std::string text(const QWidget* form, const char* name) {
    return form->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
}

bool ticked(const QWidget* form, const char* name) {
    return form->findChild<QCheckBox*>(QString::fromLatin1(name))->checkState() == Qt::Checked;
}

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

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
    return options;
}

bool GcodeOutput::refresh() {
    pane_->clear();
    QString storeProblem;
    try {
        writeProgramFile(scratchFile_, options(), [&](const RecordSink& sink) {
            // An unreadable store still gives a program: its header and footer.
            try {
                store_.forEachRecord(sink);
            } catch (const StoreError& error) {
                storeProblem = QString::fromStdString(error.what());
            }
        });
    } catch (const FileWriteError& error) {
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle,
                         QStringLiteral("The G-code program cannot be written:\n%1").arg(QString::fromStdString(error.what())));
        return false;
    }
    if (!storeProblem.isEmpty()) {
        dialogs_.message(form_, UserDialogs::Icon::Warning, kAppTitle,
                         QStringLiteral("The stored design cannot be read, so the program holds no stitches:\n%1").arg(storeProblem));
    }

    // Every line ends with a line break; the pane shows the lines, not an empty one after them.
    QString readProblem;
    if (!pane_->loadProgram(toQString(scratchFile_), &readProblem)) {
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle,
                         QStringLiteral("The G-code program cannot be read back:\n%1: %2")
                             .arg(toQString(scratchFile_), readProblem));
        return false;
    }

    lineCount_->setText(QString());
    lineCount_->setText(QStringLiteral("No. of Gcode Lines: ") + QString::fromStdString(formatInteger(getLineInfo(*pane_, 7).toInt())));
    lineCount_->setVisible(true);
    return true;
}

void GcodeOutput::save() {
    QString chosenFilter;
    QString name = dialogs_.saveFileName(form_, QStringLiteral("Save As"), {kGcodeFilter, kNcFilter, kAllFilter},
                                         kGcodeFilter, &chosenFilter);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += chosenFilter == kNcFilter ? QStringLiteral(".NC") : QStringLiteral(".GC");
    if (!refresh()) return;

    const QByteArray program = pane_->programBytes();
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(program) < 0 || !file.commit()) {
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle,
                         QStringLiteral("The G-code program was not saved:\n%1: %2").arg(name, file.errorString()));
    }
}

}  // namespace tessaline
