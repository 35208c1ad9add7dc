#include "preview/Icons.h"

#include <QString>

// The resource file lives in a static library, so nothing registers it until someone asks.
static void initialiseMarkerResources() { Q_INIT_RESOURCE(tessaline); }

namespace tessaline {

namespace {

struct MarkerImages {
    QImage designStart;
    QImage machineHome;
    QImage needle;
};

const MarkerImages& markerImages() {
    static const MarkerImages images = [] {
        initialiseMarkerResources();
        return MarkerImages{QImage(QStringLiteral(":/icons/ImgCtr.png")),
                            QImage(QStringLiteral(":/icons/ImgDCentre.png")),
                            QImage(QStringLiteral(":/icons/ImgCur.png"))};
    }();
    return images;
}

}  // namespace

const QImage& markerImage(MarkerIcon icon) {
    const MarkerImages& images = markerImages();
    switch (icon) {
        case MarkerIcon::DesignStart: return images.designStart;
        case MarkerIcon::MachineHome: return images.machineHome;
        case MarkerIcon::Needle: break;
    }
    return images.needle;
}

QSizeF markerDisplaySize(MarkerIcon icon) {
    // 240 and 480 twips at 15 twips per pixel.
    return icon == MarkerIcon::Needle ? QSizeF(32, 32) : QSizeF(16, 16);
}

}  // namespace tessaline
