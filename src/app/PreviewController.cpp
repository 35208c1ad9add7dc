#include "app/PreviewController.h"

#include "app/AppInfo.h"
#include "app/CanvasWidget.h"
#include "app/ErrorMessages.h"
#include "app/EventPacer.h"
#include "app/MarkerImage.h"
#include "common/NumberFormat.h"
#include "common/ValueChecks.h"
#include "design/DesignSeal.h"
#include "design/HoopFit.h"
#include "design/WorkStore.h"
#include "preview/Icons.h"
#include "preview/model/GcodeLineParse.h"
#include "preview/DesignColours.h"
#include "session/SessionOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSlider>

namespace tessaline {

namespace {

constexpr qint64 kFrameMs = 16;

double readNumber(const QString& text) { return parseLenient(text.toStdString()); }

double readNumber(const QWidget* form, const char* name) {
    return readNumber(form->findChild<QComboBox*>(QString::fromLatin1(name))->currentText());
}

// Where each needle move of plan ends, read from its program line as the cross-hair reads it; a
// line that cannot be read repeats the point before it.
std::vector<QPointF> movePoints(const SendPlan& plan) {
    std::vector<QPointF> points;
    points.reserve(plan.moveLines.size());
    std::string_view text = plan.text;
    std::uint64_t line = 1;
    QPointF last;
    for (const std::uint64_t wanted : plan.moveLines) {
        while (line < wanted && !text.empty()) {
            const auto end = text.find('\n');
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            ++line;
        }
        if (const auto point = parseTrackedLine(text.substr(0, text.find('\n')))) last = QPointF(point->x, point->y);
        points.push_back(last);
    }
    return points;
}

void showIcon(MarkerImage* image, MarkerIcon icon) {
    image->setPixmap(QPixmap::fromImage(markerImage(icon)));
    image->resize(markerDisplaySize(icon).toSize());
}

}  // namespace

PreviewController::PreviewController(QWidget* form, WindowState& state, const WorkStore& store,
                                     ColourLegend& legend, UserDialogs& dialogs)
    : form_(form),
      state_(state),
      store_(store),
      legend_(legend),
      dialogs_(dialogs),
      canvas_(form->findChild<CanvasWidget*>(QStringLiteral("Picture1"))),
      startMarker_(form->findChild<MarkerImage*>(QStringLiteral("ImgCtr"))),
      homeMarker_(form->findChild<MarkerImage*>(QStringLiteral("ImgDCentre"))),
      needle_(form->findChild<MarkerImage*>(QStringLiteral("ImgCur"))),
      pickMark_(new QLabel(canvas_)),
      readout_(form->findChild<QLabel*>(QStringLiteral("Label20_6"))),
      speed_(form->findChild<QSlider*>(QStringLiteral("SLAni"))),
      thickness_(form->findChild<QComboBox*>(QStringLiteral("Combo1"))),
      hoopDiameter_(form->findChild<QComboBox*>(QStringLiteral("cmbHoopDia"))),
      showHoop_(form->findChild<QCheckBox*>(QStringLiteral("ChkHoop"))),
      showBoundary_(form->findChild<QCheckBox*>(QStringLiteral("ChkBRect"))),
      scale_(userScale(1, 1, 4)) {
    showIcon(startMarker_, MarkerIcon::DesignStart);
    showIcon(homeMarker_, MarkerIcon::MachineHome);
    showIcon(needle_, MarkerIcon::Needle);
    // The needle only shows where the caret is; clicks go to the markers beneath it.
    needle_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pickMark_->setObjectName(QStringLiteral("ImgPick"));
    pickMark_->setFixedSize(11, 11);
    pickMark_->setStyleSheet(QStringLiteral("border: 2px solid #ff3030; border-radius: 5px;"));
    pickMark_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pickMark_->hide();
    sinceShown_.start();
}

QPointF PreviewController::toCanvas(QPointF drawing) const {
    const CanvasPoint p = scale_.toPixels({drawing.x(), drawing.y()}, canvas_->width(), canvas_->height());
    return {p.x, p.y};
}

void PreviewController::centreOn(QWidget* image, QPointF drawing) {
    const QPointF centre = toCanvas(drawing);
    image->move(qRound(centre.x() - image->width() / 2.0), qRound(centre.y() - image->height() / 2.0));
}

void PreviewController::runPass() {
    if (!state_.session) return;
    if (!reportFailures(dialogs_, form_, {WindowJob::Draw},
                        [this] { checkHoopDiameter(readNumber(hoopDiameter_->currentText())); }))
        return;
    EventPacer pacer;
    pace_ = pump_ ? pump_ : [&pacer] { pacer.cycle(); };
    running_ = true;
    // Whatever ends the pass, even an exception, leaves no pass marked as running nor pacing
    // through this frame's pacer.
    struct Stopped {
        PreviewController& preview;
        ~Stopped() {
            preview.legend_.flush();
            preview.running_ = false;
            preview.pace_ = nullptr;
        }
    } stopped{*this};
    endRequested_ = false;
    finishWhenEnded_ = false;
    // The size as the figures show it, rounded as they are: the picture's scale stays as it was.
    const FigureTexts& figures = state_.session->texts();
    DrawPass pass(canvas_->image(), parseLenient(figures.width), parseLenient(figures.height),
                  readNumber(form_, "cmbscale"), *this);
    scale_ = pass.scale();
    state_.hoopMarked = false;
    pass.begin();
    canvas_->imageChanged();
    bool finish = true;
    try {
        RecordCursor cursor = store_.cursor();
        SealCheck check(store_, &state_.session->seal());
        DesignRecord record;
        bool first = true;
        while (cursor.next(record)) {
            check.add(record);
            // The first row is only the starting point; every later row waits its turn.
            if (!first) paceRow();
            first = false;
            if (endRequested_) {
                finish = finishWhenEnded_;
                break;
            }
            pass.row(record);
            state_.hoopMarked = pass.hoopMarked();
            canvas_->imageChanged();
        }
        if (!endRequested_) check.finish();
    } catch (const StoreError& error) {
        dialogs_.message(form_, UserDialogs::Icon::Critical, kAppTitle, *failureText(error, {WindowJob::Draw}));
    }
    if (finish) pass.finish();
    showPendingNeedle();
    canvas_->imageChanged();
}

void PreviewController::endPass(bool finishLegend) {
    if (!running_) return;
    endRequested_ = true;
    finishWhenEnded_ = finishLegend;
}

void PreviewController::paceRow() {
    const int v = speed_->value();
    for (int k = 0; k <= v && !endRequested_; ++k) pace_();
}

PassSettings PreviewController::settings() {
    PassSettings settings;
    settings.penWidth = readNumber(thickness_->currentText());
    settings.hoopDiameter = readNumber(hoopDiameter_->currentText());
    settings.showHoop = showHoop_->isChecked();
    settings.showBoundary = showBoundary_->isChecked();
    settings.invertX = state_.invertX;
    settings.invertY = state_.invertY;
    settings.needlePoint = state_.needlePointOn;
    settings.colours = colours_;
    return settings;
}

void PreviewController::beginLegend() {
    legend_.begin();
    // A design that leaves the hoop is worth knowing before the machine finds out.
    const double diameter = readNumber(hoopDiameter_->currentText());
    if (hoopDiameterProblem(diameter)) return;
    const HoopFit fit = hoopFitOf(*state_.session, diameter);
    if (!fit.fits) legend_.warn(QString::fromStdString("Warning: " + hoopFitText(fit, diameter)));
}

void PreviewController::endColourBlock(int ended, std::int64_t stitches, int started) {
    legend_.endColourBlock(ended, stitches, started);
}

void PreviewController::finishLegend(int colour) { legend_.finish(colour, endRequested_); }

void PreviewController::showNeedle(QPointF point, int colour) {
    // Moving widgets costs a repaint each; only the latest state is shown, at screen rate.
    pendingNeedle_ = point;
    if (state_.needlePointOn) pendingReadout_ = Readout{point, colour};
    if (sinceShown_.elapsed() >= kFrameMs) showPendingNeedle();
}

void PreviewController::showPendingNeedle() {
    sinceShown_.restart();
    if (pendingNeedle_) centreOn(needle_, *pendingNeedle_);
    if (pendingReadout_) {
        const QColor colour = threadColourOf(colours_, pendingReadout_->colour);
        if (readout_->palette().color(QPalette::WindowText) != colour) {
            QPalette palette = readout_->palette();
            palette.setColor(QPalette::WindowText, colour);
            readout_->setPalette(palette);
        }
        readout_->setText(QString::fromStdString(coordinateReadout(pendingReadout_->point.x(), pendingReadout_->point.y())));
    }
    pendingNeedle_.reset();
    pendingReadout_.reset();
}

void PreviewController::placeStartMarker(QPointF centre) {
    state_.designStart = centre;
    centreOn(startMarker_, centre);
}

void PreviewController::placeHomeMarker(QPointF topLeft) {
    const QPointF corner = toCanvas(topLeft);
    homeMarker_->move(qRound(corner.x()), qRound(corner.y()));
}

void PreviewController::trackLine(const QString& line) {
    if (!state_.crossHairOn) {
        needle_->setVisible(false);
        return;
    }
    needle_->setVisible(true);
    const auto point = parseTrackedLine(line.toStdString());
    if (!point) return;
    centreOn(needle_, QPointF(point->x, point->y));
    readout_->setText(QString::fromStdString(coordinateReadout(point->x, point->y)));
}

void PreviewController::setCrossHairShown(bool shown) { needle_->setVisible(shown); }

}  // namespace tessaline

namespace tessaline {

void PreviewController::beginRunTrace(const SendPlan& plan) {
    runPlan_ = &plan;
    runPoints_ = movePoints(plan);
    traced_ = 0;
    dimPending_ = true;
}

void PreviewController::traceConfirmed(std::uint64_t movesDone) {
    // A draw pass holds the canvas; the trace catches up once it has ended.
    if (!runPlan_ || running_) return;
    movesDone = std::min<std::uint64_t>(movesDone, runPoints_.size());
    if (movesDone <= traced_ && !dimPending_) return;
    QPainter painter(&canvas_->image());
    if (dimPending_) {
        // The whole design stays visible faintly, so what is sewn stands out against what is not.
        painter.fillRect(QRectF(QPointF(0, 0), canvas_->image().deviceIndependentSize()), QColor(0, 0, 0, 170));
        dimPending_ = false;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int width = std::clamp(qRound(readNumber(thickness_->currentText())), 1, 1000);
    for (std::uint64_t k = std::max<std::uint64_t>(traced_, 1); k < movesDone; ++k) {
        const auto style = runPlan_->moveJumps[k] && width == 1 ? Qt::DotLine : Qt::SolidLine;
        painter.setPen(QPen(threadColourOf(colours_, runPlan_->moveColours[k]), width, style, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(toCanvas(runPoints_[k - 1]), toCanvas(runPoints_[k]));
    }
    traced_ = std::max(traced_, movesDone);
    painter.end();
    canvas_->imageChanged();
}

std::optional<PickedStitch> PreviewController::pickStitch(QPointF canvasPoint) {
    if (!state_.session) return std::nullopt;
    const CanvasPoint at = scale_.toDrawing({canvasPoint.x(), canvasPoint.y()}, canvas_->width(), canvas_->height());
    const DesignSession& session = *state_.session;
    auto picked = nearestStitch([&session](const RecordSink& sink) { session.walk(sink); }, at.x, at.y,
                                state_.invertX, state_.invertY);
    if (!picked) return picked;
    centreOn(pickMark_, QPointF(picked->x, picked->y));
    pickMark_->show();
    pickMark_->raise();
    readout_->setText(QStringLiteral("Stitch %1  ").arg(picked->move) +
                      QString::fromStdString(coordinateReadout(picked->x, picked->y)));
    return picked;
}

void PreviewController::clearPick() { pickMark_->hide(); }

void PreviewController::showMachineAt(QPointF position) {
    needle_->setVisible(true);
    centreOn(needle_, position);
    readout_->setText(QString::fromStdString(coordinateReadout(position.x(), position.y())));
}

}  // namespace tessaline
