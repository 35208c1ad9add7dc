#include "app/CanvasWidget.h"

#include <QMouseEvent>
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

QImage& CanvasWidget::image() {
    // Sized here only, never while painting, so a pass can hold on to the image it draws on.
    const qreal ratio = devicePixelRatioF();
    const QSize wanted = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    if (image_.size() != wanted) {
        QImage resized(wanted, QImage::Format_RGB32);
        resized.setDevicePixelRatio(ratio);
        resized.fill(Qt::black);
        if (!image_.isNull()) {
            QPainter painter(&resized);
            painter.drawImage(QRectF(QPointF(0, 0), resized.deviceIndependentSize()), image_);
        }
        image_ = std::move(resized);
    }
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
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    painter.drawImage(QRectF(rect()), image_);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(event->position());
    QWidget::mousePressEvent(event);
}

}  // namespace tessaline
