#include "app/MainWindow.h"
#include "app/StoreLocation.h"
#include "common/Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    QApplication::setApplicationVersion(QString::fromStdString(tessaline::versionText()));
#ifdef TESSALINE_APP_ID
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TESSALINE_APP_ID));
#endif
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Turns Tajima DST embroidery designs into G-code for a CNC table."));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("design"), QStringLiteral("A DST design to open at start."),
                                  QStringLiteral("[design.dst]"));
    options.process(app);

    tessaline::DesktopDialogs dialogs;
    tessaline::MainWindow window(tessaline::defaultStoreFolder(), dialogs);
    window.show();
    if (!options.positionalArguments().isEmpty()) {
        const QString design = options.positionalArguments().front();
        QTimer::singleShot(0, &window, [&window, design] { window.loadDesign(design); });
    }
    return app.exec();
}
