#pragma once
// The main window's form as data: every control with its name, kind, container, caption and
// place in twips. buildForm() creates the widgets; behaviour lives in MainWindow.

#include "preview/model/UserScale.h"

#include <QWidget>

namespace tessaline {

// 15 twips per logical pixel (96 dpi); Qt scales logical pixels on high-dpi screens.
constexpr int twipsToPixels(int twips) { return (twips + 7) / 15; }

constexpr int kClientWidthTwips = 13695;
constexpr int kClientHeightTwips = 10200;
constexpr int kViewportTwips = 6645;

// Creates every control of the form as children of client, named by their objectName.
void buildForm(QWidget* client);

}  // namespace tessaline
