#include "app/ActionGuard.h"
#include "app/DesignFileFilters.h"
#include "app/MainWindow.h"
#include "app/StoreLocation.h"
#include "common/Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstring>

namespace {

void nameProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("Tessaline"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(tessaline::versionText()));
}

void describeOptions(QCommandLineParser& options) {
    options.setApplicationDescription(
        QStringLiteral("Turns embroidery designs into G-code for a converted CNC table. It reads %1.")
            .arg(tessaline::readableFormatNames()));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("design"),
                                  QStringLiteral("A design to open at start, in any of the formats above."),
                                  QStringLiteral("[design]"));
}

// Whether the command line only asks for the help or the version text.
bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForTextOnly(argc, argv)) {
        // Answered without the window system, so they work without a display.
        QCoreApplication app(argc, argv);
        nameProgram();
        QCommandLineParser options;
        describeOptions(options);
        options.process(app);  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    nameProgram();
#ifdef TESSALINE_APP_ID
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TESSALINE_APP_ID));
#endif
    QCommandLineParser options;
    describeOptions(options);
    options.process(app);

    tessaline::DesktopDialogs dialogs;
    tessaline::MainWindow window(tessaline::defaultStoreFolder(), dialogs);
    window.show();
    if (!options.positionalArguments().isEmpty()) {
        const QString design = options.positionalArguments().front();
        QTimer::singleShot(0, &window, tessaline::guardedAction(dialogs, &window, QStringLiteral("Open DST"),
                                                                [&window, design] { window.loadDesign(design); }));
    }
    return app.exec();
}
