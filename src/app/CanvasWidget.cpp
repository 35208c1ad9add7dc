#include "app/CanvasWidget.h"

#include <QPaintEvent>
#include <QPainter>

namespace tessaline {

namespace {
constexpr qint64 kFrameMs = 16;
}

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    sinceRepaint_.start();
    pendingRepaint_.setSingleShot(true);
    pendingRepaint_.setInterval(kFrameMs);
    connect(&pendingRepaint_, &QTimer::timeout, this, [this] {
        sinceRepaint_.restart();
        update();
    });
}

void CanvasWidget::ensureImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize wanted = (QSizeF(size()) * ratio).toSize();
    if (image_.size() != wanted) {
        image_ = QImage(wanted.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
        image_.fill(Qt::black);
    }
}

QImage& CanvasWidget::image() {
    ensureImage();
    return image_;
}

void CanvasWidget::imageChanged() {
    // A pass changes the image once per row; repainting each time would cost more than drawing.
    if (sinceRepaint_.elapsed() >= kFrameMs) {
        sinceRepaint_.restart();
        update();
    } else if (!pendingRepaint_.isActive()) {
        pendingRepaint_.start();
    }
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    ensureImage();
    QPainter painter(this);
    painter.drawImage(event->rect(), image_,
                      QRectF(QPointF(event->rect().topLeft()) * image_.devicePixelRatio(),
                             QSizeF(event->rect().size()) * image_.devicePixelRatio()));
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ensureImage();
}

}  // namespace tessaline
