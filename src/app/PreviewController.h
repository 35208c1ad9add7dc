#pragma once
// The preview of the window: the paced draw pass over the stored design with its markers,
// needle and legend, and the cross-hair that follows the caret in the G-code pane.

#include "app/ColourLegend.h"
#include "app/UserDialogs.h"
#include "app/WindowState.h"
#include "preview/DrawPass.h"
#include "machine/SendPlan.h"
#include "preview/model/UserScale.h"
#include "session/ResumePick.h"

#include <QElapsedTimer>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QWidget;

namespace tessaline {

class CanvasWidget;
class MarkerImage;
class WorkStore;

class PreviewController : private PassObserver {
public:
    PreviewController(QWidget* form, WindowState& state, const WorkStore& store, ColourLegend& legend,
                      UserDialogs& dialogs);

    // Replays the stored design; returns when the last row is drawn or the pass is ended.
    void runPass();
    bool passRunning() const { return running_; }
    // Ends a running pass at its next row. finishLegend: whether it still shows the total time.
    void endPass(bool finishLegend);

    // Moves the cross-hair to where the G-code line sends the machine.
    void trackLine(const QString& line);
    void setCrossHairShown(bool shown);

    // A run on the machine: the picture is dimmed, then each confirmed needle move of plan is
    // drawn over it in its thread colour, only the new ones each call. plan must outlive the run.
    void beginRunTrace(const SendPlan& plan);
    void traceConfirmed(std::uint64_t movesDone);
    // The design's needle moves the run trace has reached: a resumed run's count starts after
    // the moves before its first.
    std::uint64_t tracedMoves() const { return runPlan_ ? runPlan_->firstMove - 1 + traced_ : traced_; }
    // Puts the needle where the machine reports it is.
    void showMachineAt(QPointF position);
    // Picks the design's stitch nearest a point of the canvas (logical pixels) and marks it;
    // none for a design without stitches. Throws what walking the session throws.
    std::optional<PickedStitch> pickStitch(QPointF canvasPoint);
    // Takes the pick's mark away.
    void clearPick();

    // Replaces the event processing that paces the pass (tests count the cycles); nullptr restores
    // the pacing of EventPacer.
    // Thread colours of the canvas and the readout; null for the fixed thread palette.
    void setColours(const DesignColours* colours) { colours_ = colours; }
    void setEventPump(std::function<void()> pump) { pump_ = std::move(pump); }
    const UserScale& scale() const { return scale_; }
    // A drawing-unit point in logical pixels of the canvas.
    QPointF toCanvas(QPointF drawing) const;

private:
    void paceRow();
    void showPendingNeedle();
    void centreOn(QWidget* image, QPointF drawing);
    PassSettings settings() override;
    void beginLegend() override;
    void endColourBlock(int ended, std::int64_t stitches, int started) override;
    void finishLegend(int colour) override;
    void showNeedle(QPointF point, int colour) override;
    void placeStartMarker(QPointF centre) override;
    void placeHomeMarker(QPointF topLeft) override;

    QWidget* form_;
    WindowState& state_;
    const WorkStore& store_;
    ColourLegend& legend_;
    UserDialogs& dialogs_;
    CanvasWidget* canvas_;
    MarkerImage* startMarker_;
    MarkerImage* homeMarker_;
    MarkerImage* needle_;
    QLabel* pickMark_;
    QLabel* readout_;
    // Read again before every row, so they are looked up once.
    QSlider* speed_;
    QComboBox* thickness_;
    QComboBox* hoopDiameter_;
    QCheckBox* showHoop_;
    QCheckBox* showBoundary_;
    std::function<void()> pump_;  // set by tests; otherwise each pass paces with an EventPacer
    std::function<void()> pace_;
    const DesignColours* colours_ = nullptr;
    UserScale scale_;
    struct Readout {
        QPointF point;
        int colour;
    };
    std::optional<QPointF> pendingNeedle_;
    std::optional<Readout> pendingReadout_;
    QElapsedTimer sinceShown_;
    bool running_ = false;
    bool endRequested_ = false;
    bool finishWhenEnded_ = false;
    const SendPlan* runPlan_ = nullptr;
    std::vector<QPointF> runPoints_;  // where each needle move of the run's plan ends
    std::uint64_t traced_ = 0;
    bool dimPending_ = false;
};

}  // namespace tessaline
