#pragma once
// An image on the canvas (start, home and needle markers) that reports presses and clicks.

#include <QLabel>

namespace tessaline {

class MarkerImage : public QLabel {
    Q_OBJECT
public:
    explicit MarkerImage(QWidget* parent = nullptr);

signals:
    void pressed();  // any button goes down
    void clicked();  // left button released over the image

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tessaline
