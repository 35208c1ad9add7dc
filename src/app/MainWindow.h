#pragma once
// The main window frmTest: owns every control, the window-level state and the work store, and
// turns the user's clicks into calls of the core. Handlers are short and delegate.

#include "app/AboutBox.h"
#include "app/ErrorMessages.h"
#include "app/StoreLocation.h"
#include "app/UserDialogs.h"
#include "app/WindowState.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QProgressBar;

namespace tessaline {

class ColourLegend;
class DesignColours;
struct FigureTexts;
class GcodeOutput;
class MachineMenu;
class MachineRunner;
class PlacementMenu;
class PreviewController;
class WorkStore;
struct SendPlan;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // storeFolder holds the work store Gcode.mdb and the scratch program Gcodedst.txt; while
    // another window uses it, this one works in a private folder instead.
    MainWindow(std::filesystem::path storeFolder, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    template <class T>
    T* control(const QString& name) const {
        return findChild<T*>(name);
    }

    const WindowState& state() const { return state_; }
    bool crossHairOn() const { return state_.crossHairOn; }
    bool invertX() const { return state_.invertX; }
    bool invertY() const { return state_.invertY; }
    bool needlePointOn() const { return state_.needlePointOn; }
    bool hoopMarked() const { return state_.hoopMarked; }
    QPointF designStart() const { return state_.designStart; }

    const std::filesystem::path& storePath() const { return storePath_; }
    const std::filesystem::path& scratchPath() const { return scratchPath_; }
    AboutBox* aboutBox() const { return about_; }
    bool passRunning() const;
    // Replaces the event processing that paces a draw pass (tests count the cycles);
    // nullptr restores the window's own pacing.
    void setEventPump(std::function<void()> pump);

    // Loads the design file at path as "Open DST" does once a file is chosen.
    void loadDesign(const QString& path);
    const MachineRunner& machine() const { return *runner_; }
    const PreviewController& preview() const { return *preview_; }

public slots:
    void openDst();
    void saveGcode();
    void populateGcode();
    void refreshGcode();
    void draw();
    void simulate();
    void showAbout();
    void exitProgram();
    // Ends a running draw pass at its next row.
    void endPass();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildRunActions();
    void updateRunActions();
    // Machine > Connect: asks for the port and speed (remembered) and opens the port.
    void connectMachine();
    // Machine > Run: streams the program Save Gcode writes now.
    void checkOnController();
    void runDesign();
    // Streams plan (the pane already showing it) and follows it on the pane, preview and bar.
    void startRun(SendPlan&& plan);
    // After a run ended early or while one is paused: a resume point can be chosen.
    bool canResume() const;
    // Machine > Resume from Stitch: asks where (the picked stitch, the caret's move, moves back
    // from the last confirmed), ends a paused run safely, and runs the resumed program.
    void resumeFromStitch();
    // The design's needle move on the pane's caret line, in the run's program while the pane holds it.
    std::optional<std::uint64_t> caretMove();
    // A run's tick: the pane's caret on the executing line, the needle at the machine, newly
    // confirmed stitches drawn, the progress bar.
    void showRunProgress();
    void connectControls();
    void connectOptions();
    void connectPreview();
    void startUp();
    void fillLists();
    // Opens the store, making it anew when missing or damaged and saying so; false after telling
    // the user why it cannot be used for job.
    bool openStore(WindowJob job);
    void centreOnScreen();
    void scrollViewport();
    void trackCaret();
    bool deferWhilePassRuns(void (MainWindow::*handler)(), const QString& action);
    // handler as a slot: anything it throws becomes a message naming action.
    std::function<void()> guarded(const QString& action, std::function<void()> handler);
    void showFigures(const FigureTexts& figures);
    // Loads the shown design's file again, placed as now chosen.
    void reloadDesign();
    void message(UserDialogs::Icon icon, const QString& text, const QString& title = {});

    UserDialogs& dialogs_;
    WindowStoreFolder storeFolder_;
    std::filesystem::path storePath_;
    std::filesystem::path scratchPath_;
    std::unique_ptr<WorkStore> store_;
    std::unique_ptr<ColourLegend> legend_;
    std::unique_ptr<DesignColours> colours_;  // the loaded design's threads for canvas and legend
    std::unique_ptr<GcodeOutput> output_;
    MachineMenu* machineMenu_ = nullptr;
    PlacementMenu* placementMenu_ = nullptr;
    MachineRunner* runner_ = nullptr;
    QProgressBar* runProgress_ = nullptr;
    bool paneHoldsRun_ = false;  // the pane shows the program being sent
    std::optional<std::uint64_t> pickedMove_;  // the stitch picked on the preview to resume at
    std::filesystem::path runDesign_;           // the design the last run sent
    std::uint64_t caretLine_ = 0;
    QString loadedPath_;  // the file of the design shown
    std::unique_ptr<PreviewController> preview_;
    QPointer<AboutBox> about_;
    WindowState state_;
    bool storeOpened_ = false;
};

}  // namespace tessaline
