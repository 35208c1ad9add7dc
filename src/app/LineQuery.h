#pragma once
// Facts about the current line of a multi-line text box, by selector:
// 1 visible lines (whole lines that fit, less one), 2 first visible line, 3 current line (the one
// holding the selection's start), 4 selection start, 5 first character of the current line,
// 6 its length, 7 number of lines, 8 its text without the line break. Positions and lengths count
// UTF-16 characters. Lines come back whole whatever their length. Any other selector gives
// "This should not happen!! Try Again!!".

#include <QVariant>

class QsciScintilla;

namespace tessaline {

QVariant getLineInfo(const QsciScintilla& box, int selector);

}  // namespace tessaline
