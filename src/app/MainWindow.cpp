#include "app/MainWindow.h"

#include "app/ActionGuard.h"
#include "app/CanvasWidget.h"
#include "app/AppInfo.h"
#include "app/ColourLegend.h"
#include "app/DesignFileFilters.h"
#include "app/ErrorMessages.h"
#include "app/GcodeOutput.h"
#include "app/MachineMenu.h"
#include "app/MachineRunner.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"
#include "app/MainWindowForm.h"
#include "app/MarkerImage.h"
#include "app/PlacementMenu.h"
#include "app/PreviewController.h"
#include "common/NumberFormat.h"
#include "design/DesignSeal.h"
#include "design/DesignFormat.h"
#include "design/DesignFile.h"
#include "design/FigureTexts.h"
#include "design/HoopFit.h"
#include "design/Placement.h"
#include "design/WorkStore.h"
#include "gcode/BuiltinProfiles.h"
#include "machine/SerialLink.h"
#include "preview/DesignColours.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tessaline {

namespace {

// Fills a list with numbers from first in steps of step, count items.
void appendNumbers(QComboBox* list, int first, int step, int count) {
    for (int i = 0; i < count; ++i) list->addItem(QString::fromStdString(formatInteger(first + i * step)));
}

// Adding items to an editable combo box replaces its text; the start text must stay.
void fillKeepingText(QComboBox* combo, int first, int step, int count) {
    const QString text = combo->currentText();
    appendNumbers(combo, first, step, count);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

void setBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// Why a profile without a link protocol cannot be run from the window, and which can.
QString cannotStream(const QString& profile, const QStringList& streaming) {
    return QStringLiteral("%1 runs programs itself and cannot be sent to. Choose one of these in the Machine menu: %2.")
        .arg(profile, streaming.join(QStringLiteral(", ")));
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path storeFolder, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      dialogs_(dialogs),
      storeFolder_(storeFolder),
      storePath_(storeFolder_.path() / WorkStore::kFileName),
      scratchPath_(storeFolder_.path() / "Gcodedst.txt") {
    setObjectName(QStringLiteral("frmTest"));
    setWindowTitle(mainWindowCaption());
    QFont font = this->font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    setFont(font);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    setCentralWidget(client);
    buildForm(client);
    store_ = std::make_unique<WorkStore>(storePath_);
    legend_ = std::make_unique<ColourLegend>(client);
    output_ = std::make_unique<GcodeOutput>(client, state_, scratchPath_, dialogs_);
    preview_ = std::make_unique<PreviewController>(client, state_, *store_, *legend_, dialogs_);
    colours_ = std::make_unique<DesignColours>();
    legend_->setColours(colours_.get());
    preview_->setColours(colours_.get());
    buildMenus();
    connectControls();
    startUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = file->addAction(QStringLiteral("Open DST"), this, guarded(QStringLiteral("Open DST"), [this] { openDst(); }));
    open->setObjectName(QStringLiteral("mnuOpenDst"));
    // "Generate Gcode" and "Save Gcode" stand in the menu without an action of their own.
    file->addAction(QStringLiteral("Generate Gcode"))->setObjectName(QStringLiteral("mnuGenerateGcode"));
    file->addAction(QStringLiteral("Save Gcode"))->setObjectName(QStringLiteral("mnuSaveGcode"));
    // At the machine: after a thread break, and before stitching.
    QAction* fromStitch = file->addAction(QStringLiteral("Save Gcode from Stitch…"), this,
                                          guarded(QStringLiteral("Save Gcode from Stitch"), [this] {
        // The line query counts lines from 0.
        output_->saveFromStitch(getLineInfo(*control<GcodePane>(QStringLiteral("RGcode")), 3).toInt() + 1);
    }));
    fromStitch->setObjectName(QStringLiteral("mnuSaveFromStitch"));
    QAction* trace = file->addAction(QStringLiteral("Save Outline Trace…"), this,
                                     guarded(QStringLiteral("Save Outline Trace"), [this] { output_->saveTrace(); }));
    trace->setObjectName(QStringLiteral("mnuSaveOutlineTrace"));
    for (QAction* action : {fromStitch, trace}) action->setEnabled(false);
    file->addAction(QStringLiteral("Exit"), this, guarded(QStringLiteral("Exit"), [this] { exitProgram(); }))
        ->setObjectName(QStringLiteral("mnuExit"));
    QAction* simulate = menuBar()->addAction(QStringLiteral("Simulate"), this,
                                             guarded(QStringLiteral("Simulate"), [this] { this->simulate(); }));
    simulate->setObjectName(QStringLiteral("mnuSimulate"));
    machineMenu_ = new MachineMenu(menuBar(), simulate, centralWidget(), dialogs_, userProfileFolder(),
                                   machineSettingsFile(), this);
    output_->setProfile(machineMenu_->current());
    connect(machineMenu_, &MachineMenu::profileChanged, this, [this] { output_->setProfile(machineMenu_->current()); });
    QAction* about = menuBar()->addAction(QStringLiteral("About"), this,
                                          guarded(QStringLiteral("About"), [this] { showAbout(); }));
    about->setObjectName(QStringLiteral("mnuAbout"));
    // Beside the Machine menu, before the commands that were there first.
    auto* view = new QMenu(QStringLiteral("&View"), menuBar());
    menuBar()->insertMenu(simulate, view);
    view->setObjectName(QStringLiteral("mnuView"));
    QAction* threads = view->addAction(QStringLiteral("Design Thread Colours"));
    threads->setObjectName(QStringLiteral("mnuDesignThreadColours"));
    threads->setCheckable(true);
    threads->setChecked(true);
    connect(threads, &QAction::toggled, this, guarded(threads->text(), [this, threads] {
        colours_->setUseDesignThreads(threads->isChecked());
        if (colours_->hasThreads() && control<QPushButton>(QStringLiteral("Command2"))->isEnabled()) draw();
    }));
    buildRunActions();
    placementMenu_ = new PlacementMenu(view, machineSettingsFile(), this);
    connect(placementMenu_, &PlacementMenu::placementChanged, this,
            guarded(QStringLiteral("Design Placement"), [this] { reloadDesign(); }));
}

void MainWindow::buildRunActions() {
    runner_ = new MachineRunner(this, dialogs_);
    auto* status = new QLabel(runner_->statusText(), statusBar());
    status->setObjectName(QStringLiteral("lblMachineStatus"));
    statusBar()->addWidget(status, 1);
    connect(runner_, &MachineRunner::statusChanged, status, &QLabel::setText);
    runProgress_ = new QProgressBar(statusBar());
    runProgress_->setObjectName(QStringLiteral("barRun"));
    runProgress_->setVisible(false);
    // Wide enough for its text at a million stitches and hours of sewing, beside the status text.
    runProgress_->setMinimumWidth(
        runProgress_->fontMetrics().horizontalAdvance(QStringLiteral("0000000 of 0000000 stitches  elapsed 00:00:00  remaining 00:00:00")) +
        24);
    statusBar()->addPermanentWidget(runProgress_);
    connect(runner_, &MachineRunner::progressed, this, [this] { showRunProgress(); });
    // A program made anew while a run goes is not the one sent: the caret no longer follows.
    connect(control<GcodePane>(QStringLiteral("RGcode")), &GcodePane::textChanged, this, [this] { paneHoldsRun_ = false; });
    const auto add = [this](const QString& text, const char* name, std::function<void()> handler) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, guarded(QString(text).remove(QStringLiteral("…")), std::move(handler)));
        return action;
    };
    machineMenu_->setRunActions({
        add(QStringLiteral("Connect…"), "mnuConnect", [this] { connectMachine(); }),
        add(QStringLiteral("Disconnect"), "mnuDisconnect", [this] { runner_->disconnectPort(); }),
        add(QStringLiteral("Run"), "mnuRun", [this] { runDesign(); }),
        add(QStringLiteral("Pause"), "mnuPause", [this] { runner_->pause(); }),
        add(QStringLiteral("Continue"), "mnuContinue", [this] { runner_->resume(); }),
        add(QStringLiteral("Stop"), "mnuStop", [this] { runner_->stop(); }),
        add(QStringLiteral("Resume from Stitch…"), "mnuResumeFromStitch", [this] { resumeFromStitch(); }),
        add(QStringLiteral("Unlock/Reset"), "mnuUnlockReset", [this] { runner_->unlock(*machineMenu_->current()); }),
        add(QStringLiteral("Check Program on Controller…"), "mnuCheckOnController", [this] { checkOnController(); }),
    });
    connect(machineMenu_, &MachineMenu::profileChanged, this, &MainWindow::updateRunActions);
    connect(runner_, &MachineRunner::stateChanged, this, &MainWindow::updateRunActions);
    // A click on the preview while the machine rests picks the stitch to resume at.
    connect(control<CanvasWidget>(QStringLiteral("Picture1")), &CanvasWidget::clicked, this,
            [this](QPointF position) {
                if (!canResume()) return;
                guarded(QStringLiteral("Pick Stitch"), [this, position] {
                    const auto picked = preview_->pickStitch(position);
                    pickedMove_ = picked ? std::optional<std::uint64_t>(picked->move) : std::nullopt;
                })();
            });
    updateRunActions();
}

bool MainWindow::canResume() const {
    // Only the design the run sent resumes: another one opened since has other moves.
    if (!runner_->connected() || !state_.session || state_.session->path() != runDesign_) return false;
    return runner_->running() ? runner_->paused() && !runner_->checking() : runner_->endedEarly();
}

std::optional<std::uint64_t> MainWindow::caretMove() {
    auto* pane = control<GcodePane>(QStringLiteral("RGcode"));
    // The line query counts lines from 0.
    const int caretLine = getLineInfo(*pane, 3).toInt() + 1;
    if (!paneHoldsRun_) return output_->moveOnCaretLine(caretLine);
    // The run's program: the move whose lines (its move and its stroke) the caret is on or after.
    const SendPlan& plan = runner_->plan();
    const auto upTo = std::upper_bound(plan.moveLines.begin(), plan.moveLines.end(), static_cast<std::uint64_t>(caretLine));
    if (upTo == plan.moveLines.begin()) return std::nullopt;
    return plan.firstMove + static_cast<std::uint64_t>(upTo - plan.moveLines.begin()) - 1;
}

void MainWindow::resumeFromStitch() {
    if (!canResume()) return;
    ResumeOffer offer;
    offer.moves = state_.session->needleMoves();
    offer.lastConfirmed = runner_->lastConfirmedMove();
    offer.picked = pickedMove_;
    offer.caret = caretMove();
    const auto answer = dialogs_.askResume(this, offer);
    if (!answer) return;
    const auto move = resumeMoveOf(offer, *answer);
    if (!move) return;
    // The interrupted stream ends first: held, its queue dropped, settled, before a line goes.
    if (runner_->running()) runner_->stopAndWait(false);
    if (runner_->running() || !runner_->connected()) return;
    auto plan = output_->runPlan(QStringLiteral(", so the design is not resumed"), *move, answer->tieIns);
    if (!plan) return;
    startRun(std::move(*plan));
}

void MainWindow::updateRunActions() {
    const bool linked = runner_->connected();
    const bool running = runner_->running();
    const std::pair<const char*, bool> enabled[] = {
        {"mnuConnect", !running},
        {"mnuDisconnect", linked && !running},
        {"mnuRun", linked && !running && !runner_->unlocking() && state_.session.has_value()},
        {"mnuPause", running && !runner_->paused()},
        {"mnuContinue", running && runner_->paused()},
        {"mnuStop", running},
        {"mnuResumeFromStitch", canResume() && !runner_->unlocking()},
        {"mnuUnlockReset", linked && !running && !runner_->unlocking()},
    };
    for (const auto& [name, on] : enabled) findChild<QAction*>(QString::fromLatin1(name))->setEnabled(on);
    auto* check = findChild<QAction*>(QStringLiteral("mnuCheckOnController"));
    check->setVisible(MachineRunner::canCheck(*machineMenu_->current()));  // not offered without a check mode
    check->setEnabled(linked && !running && state_.session.has_value());
}

void MainWindow::connectMachine() {
    const auto profile = machineMenu_->current();
    ConnectionRequest request;
    for (const auto& port : serialPortCandidates()) request.ports << QString::fromStdString(port.string());
    QSettings settings(machineSettingsFile(), QSettings::IniFormat);
    request.port = settings.value(QStringLiteral("machine/port")).toString();
    request.baud = settings.value(QStringLiteral("machine/baud"), 115200).toInt();
    request.profile = QString::fromStdString(profile->name);
    if (profile->protocol == LinkProtocol::None) {
        request.problem = cannotStream(request.profile, machineMenu_->streamingProfiles());
    }
    const auto choice = dialogs_.askConnection(this, request);
    if (!choice || !request.problem.isEmpty()) return;
    settings.setValue(QStringLiteral("machine/port"), choice->port);
    settings.setValue(QStringLiteral("machine/baud"), choice->baud);
    reportFailures(dialogs_, this, {WindowJob::Connect}, [&] { runner_->connectTo(choice->port, choice->baud); });
}

void MainWindow::runDesign() {
    const auto profile = machineMenu_->current();
    if (profile->protocol == LinkProtocol::None) {
        message(UserDialogs::Icon::Warning,
                cannotStream(QString::fromStdString(profile->name), machineMenu_->streamingProfiles()));
        return;
    }
    // The pane shows the program that goes, so its caret can follow the machine.
    auto plan = output_->runPlan(QStringLiteral(", so the design is not run"));
    if (!plan) return;
    startRun(std::move(*plan));
}

void MainWindow::startRun(SendPlan&& plan) {
    runner_->run(std::move(plan), *machineMenu_->current(), state_.session->threads());
    if (!runner_->running()) return;
    // A pick belongs to the run it would resume.
    pickedMove_.reset();
    preview_->clearPick();
    runDesign_ = state_.session->path();
    paneHoldsRun_ = true;
    caretLine_ = 0;
    preview_->beginRunTrace(runner_->plan());
    // Counted in the design's needle moves: a resumed run starts with those before it done.
    const std::uint64_t before = runner_->plan().firstMove - 1;
    runProgress_->setRange(0, static_cast<int>(std::min<std::size_t>(before + runner_->plan().moveLines.size(), INT_MAX)));
    runProgress_->setValue(static_cast<int>(std::min<std::uint64_t>(before, INT_MAX)));
    runProgress_->setVisible(true);
    showRunProgress();
}

void MainWindow::checkOnController() {
    // The pane shows the program checked, so a refused line's number can be found there.
    auto plan = output_->runPlan(QStringLiteral(", so the program is not checked"));
    if (plan) runner_->check(std::move(*plan), *machineMenu_->current());
}

namespace {

QString clockText(double seconds) {
    const auto whole = static_cast<long long>(std::max(0.0, seconds) + 0.5);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

void MainWindow::showRunProgress() {
    const std::uint64_t line = runner_->executingLine();
    if (paneHoldsRun_ && line != caretLine_ && line > 0) {
        caretLine_ = line;
        auto* pane = control<GcodePane>(QStringLiteral("RGcode"));
        pane->setCursorPosition(static_cast<int>(line - 1), 0);
        pane->ensureLineVisible(static_cast<int>(line - 1));
    }
    // After the caret, whose cross-hair would put the needle at the line's end point instead.
    if (const auto at = runner_->machinePosition()) preview_->showMachineAt(*at);
    preview_->traceConfirmed(runner_->stitchesDone());
    // Marlin and Klipper only say a line was queued: the count is of answered stitches.
    const bool answered = !runner_->reportsExecution();
    const std::uint64_t done = answered ? runner_->stitchesAnswered() : runner_->stitchesDone();
    const std::uint64_t total = runner_->plan().moveLines.size();
    const std::uint64_t before = runner_->plan().firstMove - 1;
    const double elapsed = runner_->runSeconds();
    // The rate measured so far in this run; nothing to say before the first stitch is confirmed.
    const QString remaining = done > 0 ? clockText(elapsed * static_cast<double>(total - done) / static_cast<double>(done))
                                       : QStringLiteral("--:--:--");
    runProgress_->setValue(static_cast<int>(std::min<std::uint64_t>(before + done, INT_MAX)));
    runProgress_->setFormat(QStringLiteral("%1 of %2 stitches%5  elapsed %3  remaining %4")
                                .arg(before + done)
                                .arg(before + total)
                                .arg(clockText(elapsed), remaining, answered ? QStringLiteral(" answered") : QString()));
}

std::function<void()> MainWindow::guarded(const QString& action, std::function<void()> handler) {
    return guardedAction(dialogs_, this, action, std::move(handler));
}

void MainWindow::connectControls() {
    const std::pair<const char*, void (MainWindow::*)()> buttons[] = {
        {"Command5", &MainWindow::openDst},       {"Command3", &MainWindow::saveGcode},
        {"Command6", &MainWindow::populateGcode}, {"Command2", &MainWindow::draw},
        {"cmdExit", &MainWindow::exitProgram},
    };
    for (const auto& [name, handler] : buttons) {
        auto* button = control<QPushButton>(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, guarded(button->text(), [this, handler] { (this->*handler)(); }));
    }
    connectOptions();
    connectPreview();
}

void MainWindow::connectOptions() {
    connect(control<QCheckBox>(QStringLiteral("Xinrt")), &QCheckBox::clicked, this,
            [this](bool checked) { state_.invertX = checked; });
    connect(control<QCheckBox>(QStringLiteral("Yinrt")), &QCheckBox::clicked, this,
            [this](bool checked) { state_.invertY = checked; });
    // A click counts even when "Z Moves" is already the selected option.
    connect(control<QRadioButton>(QStringLiteral("Zmove")), &QRadioButton::clicked, this, [this] {
        control<QLineEdit>(QStringLiteral("txtZ"))->setEnabled(true);
        control<QLineEdit>(QStringLiteral("TxtSZ"))->setEnabled(true);
    });
    // Only signs, digits and points reach the Z boxes, in any order; typed or pasted.
    for (const char* name : {"txtZ", "TxtSZ"}) {
        auto* box = control<QLineEdit>(QString::fromLatin1(name));
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+0-9.]*")), box));
    }
    auto* lineCount = control<QLabel>(QStringLiteral("Label1"));
    lineCount->setMouseTracking(true);
    lineCount->installEventFilter(this);
}

void MainWindow::connectPreview() {
    for (const char* name : {"VScroll1", "HScroll1"}) {
        auto* bar = control<QScrollBar>(QString::fromLatin1(name));
        bar->setRange(0, 100);
        connect(bar, &QScrollBar::valueChanged, this, &MainWindow::scrollViewport);
        connect(bar, &QScrollBar::sliderMoved, this, &MainWindow::scrollViewport);
    }
    connect(control<QCheckBox>(QStringLiteral("NeedlePoint")), &QCheckBox::clicked, this,
            [this](bool checked) { state_.needlePointOn = checked; });
    auto* crossHair = control<QCheckBox>(QStringLiteral("Check1"));
    connect(crossHair, &QCheckBox::clicked, this, guarded(crossHair->text(), [this, crossHair] {
        state_.crossHairOn = crossHair->isChecked();
        preview_->setCrossHairShown(state_.crossHairOn);
    }));
    connect(control<GcodePane>(QStringLiteral("RGcode")), &GcodePane::caretMoved, this,
            guarded(crossHair->text(), [this] { trackCaret(); }));
    connect(control<MarkerImage>(QStringLiteral("ImgCtr")), &MarkerImage::pressed, this,
            guarded(QStringLiteral("Design Start Point"), [this] {
                message(UserDialogs::Icon::Information,
                        QStringLiteral("Centre of Blue Circle (Hoop Diameter)-Design Start Point: X=%1 Y=%2")
                            .arg(QString::fromStdString(formatNumber(state_.designStart.x())),
                                 QString::fromStdString(formatNumber(state_.designStart.y()))));
            }));
    connect(control<MarkerImage>(QStringLiteral("ImgDCentre")), &MarkerImage::clicked, this,
            guarded(QStringLiteral("Machine Home"), [this] {
                message(UserDialogs::Icon::Information,
                        QStringLiteral("Centre of Yellow Circle (Hoop Diameter) - Machine Home: X=0 Y=0"));
            }));
}

void MainWindow::startUp() {
    // The size is fixed: the client area cannot grow and the window offers no maximise.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    control<QPlainTextEdit>(QStringLiteral("RimpNotes"))->setPlainText(QStringLiteral("Final Gcode"));
    centreOnScreen();
    state_.crossHairOn = true;
    for (const char* name : {"lblStitch", "JStitch", "LblColor", "lblHe"})
        control<QLabel>(QString::fromLatin1(name))->clear();
    setBackground(control<QLabel>(QStringLiteral("Label20_6")), Qt::black);
    auto* canvas = control<QWidget>(QStringLiteral("Picture1"));
    setBackground(canvas, Qt::black);
    control<QLabel>(QStringLiteral("Label1"))->setVisible(false);
    openStore(WindowJob::StartUp);
    const int canvasSide = twipsToPixels(static_cast<int>(kCanvasTwips));
    canvas->setGeometry(0, 0, canvasSide, canvasSide);
    control<QScrollBar>(QStringLiteral("VScroll1"))->setValue(50);
    control<QScrollBar>(QStringLiteral("HScroll1"))->setValue(50);
    state_.needlePointOn = true;
    state_.invertX = false;
    state_.invertY = false;
    control<QLineEdit>(QStringLiteral("txtZ"))->setEnabled(false);
    control<QLineEdit>(QStringLiteral("TxtSZ"))->setEnabled(false);
    state_.hoopMarked = false;
    fillLists();
    legend_->clearColor();
}

void MainWindow::fillLists() {
    for (int i = 0; i <= 15; ++i)
        control<QLabel>(QStringLiteral("Label17_%1").arg(i))->setToolTip(QStringLiteral("Thread Colour - %1").arg(i + 1));
    fillKeepingText(control<QComboBox>(QStringLiteral("CmbSPM")), 100, 50, 16);
    fillKeepingText(control<QComboBox>(QStringLiteral("CmbTCT")), 2, 1, 16);
    fillKeepingText(control<QComboBox>(QStringLiteral("CmbHI")), 5, 1, 16);
    fillKeepingText(control<QComboBox>(QStringLiteral("cmbFeed")), 1000, 100, 91);
    appendNumbers(control<QComboBox>(QStringLiteral("CmbZmotorCounter")), 1, 1, 20);
    auto* scale = control<QComboBox>(QStringLiteral("cmbscale"));
    scale->clear();
    appendNumbers(scale, 1, 1, 11);
    auto* thickness = control<QComboBox>(QStringLiteral("Combo1"));
    appendNumbers(thickness, 1, 1, 4);  // the thread thicknesses the form offers
    scale->setCurrentIndex(3);
    thickness->setCurrentIndex(0);
    control<QComboBox>(QStringLiteral("CmbZmotorCounter"))->setCurrentIndex(9);
    auto* hoop = control<QComboBox>(QStringLiteral("cmbHoopDia"));
    appendNumbers(hoop, 100, 50, 5);
    hoop->setCurrentIndex(1);
    auto* slider = control<QSlider>(QStringLiteral("SLAni"));
    slider->setRange(10, 20000);
    slider->setSingleStep(500);
    slider->setPageStep(1000);
    slider->setValue(10);
}

bool MainWindow::openStore(WindowJob job) {
    // Once opened, the store may be removed or damaged behind the window's back; it is made anew.
    std::error_code unknown;
    const bool vanished = storeOpened_ && !std::filesystem::exists(storePath_, unknown) && !unknown;
    try {
        if (auto recovery = store_->open()) {
            message(UserDialogs::Icon::Warning,
                    QStringLiteral("The work store %1 was damaged. It has been moved aside as %2 and a fresh store "
                                   "has been made.")
                        .arg(QString::fromStdString(recovery->file.string()),
                             QString::fromStdString(recovery->damagedFile.string())));
        } else if (vanished) {
            message(UserDialogs::Icon::Warning, QStringLiteral("The work store %1 was missing. A fresh store has been made.")
                                                    .arg(QString::fromStdString(storePath_.string())));
        }
    } catch (const StoreError& error) {
        message(UserDialogs::Icon::Critical, *failureText(error, {job}));
        return false;
    }
    storeOpened_ = true;
    return true;
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = sizeHint();
    // Raised 300 twips above the vertical centre.
    move(area.left() + (area.width() - size.width()) / 2,
         area.top() + (area.height() - size.height()) / 2 - twipsToPixels(300));
}

void MainWindow::scrollViewport() {
    auto* canvas = control<QWidget>(QStringLiteral("Picture1"));
    const QWidget* viewport = control<QWidget>(QStringLiteral("Picture2"));
    const int v = control<QScrollBar>(QStringLiteral("VScroll1"))->value();
    const int h = control<QScrollBar>(QStringLiteral("HScroll1"))->value();
    canvas->move(-(canvas->width() - viewport->width()) * h / 100, -(canvas->height() - viewport->height()) * v / 100);
}

bool MainWindow::passRunning() const { return preview_->passRunning(); }

void MainWindow::setEventPump(std::function<void()> pump) { preview_->setEventPump(std::move(pump)); }

bool MainWindow::deferWhilePassRuns(void (MainWindow::*handler)(), const QString& action) {
    if (!preview_->passRunning()) return false;
    // A pass is on the stack below this handler: end it, and run the handler once it has unwound.
    preview_->endPass(false);
    QTimer::singleShot(0, this, guarded(action, [this, handler] { (this->*handler)(); }));
    return true;
}

void MainWindow::openDst() {
    if (deferWhilePassRuns(&MainWindow::openDst, QStringLiteral("Open DST"))) return;
    const QString path = dialogs_.openFileName(this, QStringLiteral("Open DST File"), designFileFilters(),
                                               embroideryDesignsFilter());
    const std::string bareName = bareFileName(path.toStdString());
    if (bareName.empty() || bareName == "*.DST") {
        message(UserDialogs::Icon::Critical,
                QStringLiteral(" Kindly Select DST File, for which you want to generate Embroidery GCode"));
        return;
    }
    loadDesign(path);
}

void MainWindow::loadDesign(const QString& path) {
    // The store is made ready once the file has been read; one that cannot be used ends the load.
    struct StoreRefused {};
    std::optional<DesignSession> session;
    try {
        const bool opened = reportFailures(dialogs_, this, {WindowJob::Load}, [&] {
            session = DesignSession::openIntoStore(path.toStdString(), placementMenu_->current(), *store_, [this] {
                if (!openStore(WindowJob::Load)) throw StoreRefused{};
            });
        });
        if (!opened) return;
    } catch (const StoreRefused&) {
        return;
    }
    loadedPath_ = path;
    state_.session = std::move(session);
    const DesignSession& loaded = *state_.session;
    colours_->setThreads(threadColours(loaded.threads()));
    legend_->setDesignCounts(static_cast<double>(loaded.figures().records), static_cast<double>(loaded.figures().colours));
    showFigures(loaded.texts());
    for (const char* name : {"Command2", "Command3", "Command6"})
        control<QPushButton>(QString::fromLatin1(name))->setEnabled(true);
    for (const char* name : {"mnuSaveFromStitch", "mnuSaveOutlineTrace"})
        findChild<QAction*>(QString::fromLatin1(name))->setEnabled(true);
    updateRunActions();
    // The new design is in the store and on show: a program that cannot be made for it leaves the
    // pane empty, never the previous design's program beside the new figures.
    if (!output_->refresh(QStringLiteral("; %1 is shown without a program until Populate makes it")
                              .arg(QString::fromStdString(loaded.texts().fileName))))
        output_->showNoProgram();
    draw();
}

void MainWindow::reloadDesign() {
    if (deferWhilePassRuns(&MainWindow::reloadDesign, QStringLiteral("Design Placement"))) return;
    if (!loadedPath_.isEmpty()) loadDesign(loadedPath_);
}

void MainWindow::showFigures(const FigureTexts& figures) {
    auto set = [this](const char* name, const std::string& text) {
        control<QLabel>(QString::fromLatin1(name))->setText(QString::fromStdString(text));
    };
    set("Fname", figures.fileName);
    control<QGroupBox>(QStringLiteral("Frame1"))->setTitle(QString::fromStdString(figures.fileName));
    set("MinX", figures.minX);
    set("MinY", figures.minY);
    set("MaxX", figures.maxX);
    set("MaxY", figures.maxY);
    set("LblColor", figures.colours);
    set("JStitch", figures.jumps);
    set("lblH", figures.height);
    set("lblW", figures.width);
    set("lblHe", figures.dimensions);
    set("lblStitch", figures.stitches);
}

void MainWindow::refreshGcode() { output_->refresh(); }

void MainWindow::populateGcode() { refreshGcode(); }

void MainWindow::saveGcode() { output_->save(); }

void MainWindow::draw() {
    if (deferWhilePassRuns(&MainWindow::draw, QStringLiteral("Draw"))) return;
    preview_->runPass();
}

void MainWindow::simulate() {
    if (control<QPushButton>(QStringLiteral("Command2"))->isEnabled()) {
        draw();
    } else {
        message(UserDialogs::Icon::Information, QStringLiteral(" DST file not loaded"), QStringLiteral("Information"));
    }
}

void MainWindow::endPass() { preview_->endPass(true); }

void MainWindow::trackCaret() {
    preview_->trackLine(getLineInfo(*control<GcodePane>(QStringLiteral("RGcode")), 8).toString());
}

void MainWindow::showAbout() {
    if (!about_) about_ = new AboutBox(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void MainWindow::exitProgram() {
    preview_->endPass(false);
    QCoreApplication::exit(0);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape ends a running replay early; the legend still shows the total time.
    if (event->key() == Qt::Key_Escape && passRunning()) {
        endPass();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (runner_->running()) {
        if (!dialogs_.confirm(this, kAppTitle,
                              QStringLiteral("The machine is running the design.\nStop it and close Tessaline?"))) {
            event->ignore();
            return;
        }
        // Held and its queue cleared before the port closes, so the machine is left at rest.
        runner_->stopAndWait();
    }
    preview_->endPass(false);
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The line-count label offers its own text as a tooltip wherever the pointer moves over it.
    auto* lineCount = control<QLabel>(QStringLiteral("Label1"));
    if (watched == lineCount && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter))
        lineCount->setToolTip(lineCount->text());
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    // The window never maximises, whatever the window manager offers.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
    QMainWindow::changeEvent(event);
}

void MainWindow::message(UserDialogs::Icon icon, const QString& text, const QString& title) {
    dialogs_.message(this, icon, title.isEmpty() ? kAppTitle : title, text);
}

}  // namespace tessaline
