#include "app/MarkerImage.h"

#include <QMouseEvent>

namespace tessaline {

MarkerImage::MarkerImage(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
}

void MarkerImage::mousePressEvent(QMouseEvent* event) {
    emit pressed();
    event->accept();
}

void MarkerImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    event->accept();
}

}  // namespace tessaline
