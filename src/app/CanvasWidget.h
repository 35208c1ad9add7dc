#pragma once
// The preview canvas: keeps its picture in a backing image (drawing persists across repaints,
// sharp on high-dpi screens) and repaints at screen rate however often the image changes.

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace tessaline {

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // The backing image, sized to the widget in device pixels (its picture is scaled along when
    // the widget's size or screen changed since the last call). Black until drawn on.
    QImage& image();
    // Marks the image changed; the widget repaints at most once per frame.
    void imageChanged();

signals:
    void clicked(QPointF position);  // left button pressed, in logical pixels of the widget

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QElapsedTimer sinceRepaint_;
    QTimer pendingRepaint_;
};

}  // namespace tessaline
