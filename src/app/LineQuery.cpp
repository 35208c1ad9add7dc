#include "app/LineQuery.h"

#include <Qsci/qsciscintilla.h>

#include <QFontMetrics>

#include <cmath>
#include <string>

namespace tessaline {

namespace {

long send(const QsciScintilla& box, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
    return box.SendScintilla(message, wParam, lParam);
}

int visibleLines(const QsciScintilla& box, long lineCount) {
    const int height = box.viewport()->height();
    // The height of "W" in the font of the window holding the box, as the line height.
    const int lineHeight = std::max(1, QFontMetrics(box.window()->font()).boundingRect(QStringLiteral("W")).height());
    long fitting = std::lround(std::nearbyint(static_cast<double>(height) / lineHeight));
    if (lineCount < fitting) fitting = lineCount;
    return static_cast<int>(fitting - 1);
}

// UTF-16 characters between two byte positions of the box's text.
int characters(const QsciScintilla& box, long from, long to) {
    return static_cast<int>(send(box, QsciScintillaBase::SCI_COUNTCODEUNITS, static_cast<unsigned long>(from), to));
}

}  // namespace

QVariant getLineInfo(const QsciScintilla& box, int selector) {
    // The box is used without line wrap, so document lines and shown lines are the same.
    const long selectionStart = send(box, QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long line = send(box, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(selectionStart));
    const long lineStart = send(box, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineEnd = send(box, QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    switch (selector) {
    case 1: return visibleLines(box, send(box, QsciScintillaBase::SCI_GETLINECOUNT));
    case 2: return static_cast<int>(send(box, QsciScintillaBase::SCI_GETFIRSTVISIBLELINE));
    case 3: return static_cast<int>(line);
    case 4: return characters(box, 0, selectionStart);
    case 5: return characters(box, 0, lineStart);
    case 6: return characters(box, lineStart, lineEnd);
    case 7: return static_cast<int>(send(box, QsciScintillaBase::SCI_GETLINECOUNT));
    case 8: {
        // GETTEXTRANGE writes a terminating NUL after the range.
        std::string text(static_cast<std::size_t>(lineEnd - lineStart) + 1, '\0');
        box.SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, lineStart, lineEnd, text.data());
        text.pop_back();
        return QString::fromUtf8(text);
    }
    default: return QStringLiteral("This should not happen!! Try Again!!");
    }
}

}  // namespace tessaline
