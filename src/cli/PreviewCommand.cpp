// tessaline-cli preview: the picture a full draw pass leaves on the canvas, markers included, as PNG.

#include "cli/Commands.h"

#include "common/ValueChecks.h"
#include "preview/DrawPass.h"
#include "preview/Icons.h"
#include "preview/model/UserScale.h"
#include "session/Session.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace tessaline::cli {

namespace {

struct PreviewOptions {
    std::string design;
    OutputTarget output;
    int scale = 4;
    int thread = 1;
    bool invertX = false;
    bool invertY = false;
    double hoopDiameter = 150;
    bool noHoop = false;
    bool noBoundary = false;
    Placement placement = Placement::Automatic;
};

// Remembers where the window would put its three marker images; the settings never change.
class MarkerPlaces : public PassObserver {
public:
    explicit MarkerPlaces(PassSettings settings) : settings_(std::move(settings)) {}

    PassSettings settings() override { return settings_; }
    void placeStartMarker(QPointF centre) override { start = centre; }
    void placeHomeMarker(QPointF topLeft) override { home = topLeft; }
    void showNeedle(QPointF point, int) override { needle = point; }

    std::optional<QPointF> start;
    std::optional<QPointF> home;
    std::optional<QPointF> needle;

private:
    PassSettings settings_;
};

// The platform plugin is needed for the Gui module; a headless run must not need a display.
std::unique_ptr<QGuiApplication> guiApplication() {
    if (QCoreApplication::instance() != nullptr) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessaline-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

void drawMarker(QPainter& painter, MarkerIcon icon, QPointF topLeft) {
    painter.drawImage(QRectF(topLeft, markerDisplaySize(icon)), markerImage(icon));
}

QPointF centredAt(QPointF centre, MarkerIcon icon) {
    const QSizeF size = markerDisplaySize(icon);
    return centre - QPointF(size.width() / 2, size.height() / 2);
}

QImage renderPreview(const PreviewOptions& options, const DesignSession& session) {
    // The scale needs the design's size before the first row: the session has it from opening,
    // and its walk decodes the file again straight into the pass.
    const DesignFigures& figures = session.figures();
    const int side = static_cast<int>(std::lround(kCanvasPixels));
    QImage canvas(side, side, QImage::Format_RGB32);

    PassSettings settings;
    settings.penWidth = options.thread;
    settings.hoopDiameter = options.hoopDiameter;
    settings.showHoop = !options.noHoop;
    settings.showBoundary = !options.noBoundary;
    settings.invertX = options.invertX;
    settings.invertY = options.invertY;
    settings.needlePoint = true;
    MarkerPlaces markers(settings);

    DrawPass pass(canvas, figures.width, figures.height, options.scale, markers);
    pass.begin();
    session.walk([&pass](const DesignRecord& record) { pass.row(record); });
    pass.finish();

    // The markers are images above the canvas in the window; here they are painted over it.
    QPainter painter(&canvas);
    if (markers.start) drawMarker(painter, MarkerIcon::DesignStart, centredAt(pass.toCanvas(*markers.start), MarkerIcon::DesignStart));
    if (markers.home) drawMarker(painter, MarkerIcon::MachineHome, pass.toCanvas(*markers.home));
    if (markers.needle) drawMarker(painter, MarkerIcon::Needle, centredAt(pass.toCanvas(*markers.needle), MarkerIcon::Needle));
    painter.end();
    return canvas;
}

void runPreview(const PreviewOptions& options) {
    if (const auto problem = hoopDiameterProblem(options.hoopDiameter)) throw CLI::ValidationError("--hoop-diameter", *problem);
    options.output.refuseInput(options.design);
    const auto app = guiApplication();

    const DesignSession session = DesignSession::open(options.design, options.placement);
    const QImage canvas = renderPreview(options, session);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!canvas.save(&buffer, "PNG")) throw CommandFailure(options.output.path + ": the image could not be encoded");
    options.output.write("image", [&png](std::ostream& out) {
        out.write(png.constData(), static_cast<std::streamsize>(png.size())).flush();
    });
}

}  // namespace

void addPreviewCommand(CLI::App& app) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* command = app.add_subcommand(
        "preview", "Render the preview canvas a full draw pass leaves, with its markers, to a PNG image.");
    command->add_option("design", options->design, "Embroidery design file (" + designFormatsHelp() + ")")->required();
    command->add_option("-o,--output", options->output.path, "PNG image to write (replaced atomically); standard output when -")->required();
    command->add_option("--scale", options->scale, "Canvas scale; larger shows the design smaller")
        ->check(CLI::Range(1, 11))
        ->capture_default_str();
    command->add_option("--thread", options->thread, "Thread thickness in pixels")
        ->check(CLI::Range(1, 4))
        ->capture_default_str();
    command->add_flag("--invert-x", options->invertX, "Mirror the design about the vertical axis");
    command->add_flag("--invert-y", options->invertY, "Mirror the design about the horizontal axis");
    command->add_option("--hoop-diameter", options->hoopDiameter, "Hoop diameter in mm, above 0")
        ->capture_default_str();
    command->add_flag("--no-hoop", options->noHoop, "Leave out the hoop circle around the design start");
    command->add_flag("--no-boundary", options->noBoundary, "Leave out the boundary rectangle");
    addOriginOption(*command, options->placement);
    command->callback([options] { runPreview(*options); });
}

}  // namespace tessaline::cli
