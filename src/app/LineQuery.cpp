#include "app/LineQuery.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace tessaline {

namespace {

int visibleLines(const QPlainTextEdit& box, int lineCount) {
    const int height = box.viewport()->height();
    // The height of "W" in the font of the window holding the box, as the line height.
    const int lineHeight = std::max(1, QFontMetrics(box.window()->font()).boundingRect(QStringLiteral("W")).height());
    int fitting = static_cast<int>(std::nearbyint(static_cast<double>(height) / lineHeight));
    if (lineCount < fitting) fitting = lineCount;
    return fitting - 1;
}

}  // namespace

QVariant getLineInfo(const QPlainTextEdit& box, int selector) {
    // The box is used without line wrap, so each text block is one line.
    const QTextDocument* document = box.document();
    const QTextCursor cursor = box.textCursor();
    const int selectionStart = cursor.selectionStart();
    const QTextBlock line = document->findBlock(selectionStart);
    switch (selector) {
    case 1: return visibleLines(box, document->blockCount());
    case 2: return box.cursorForPosition(QPoint(0, 0)).blockNumber();
    case 3: return line.blockNumber();
    case 4: return selectionStart;
    case 5: return line.position();
    case 6: return line.length() - 1;  // without the block separator
    case 7: return document->blockCount();
    case 8: return line.text();
    default: return QStringLiteral("This should not happen!! Try Again!!");
    }
}

}  // namespace tessaline
