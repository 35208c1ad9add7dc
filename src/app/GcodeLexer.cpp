#include "app/GcodeLexer.h"

#include "gcode/GcodeTokens.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <string_view>

namespace tessaline {

namespace {

// A styling request longer than this is cut to the lines around the view.
constexpr long kMaxLinesPerRequest = 2000;
// Lines styled above and below the view when a request is cut, for smooth small scrolls.
constexpr long kMarginLines = 200;

int styleOf(GcodeTokenKind kind) {
    switch (kind) {
        case GcodeTokenKind::Comment: return GcodeLexer::Comment;
        case GcodeTokenKind::GWord: return GcodeLexer::GWord;
        case GcodeTokenKind::MWord: return GcodeLexer::MWord;
        case GcodeTokenKind::Coordinate: return GcodeLexer::Coordinate;
        case GcodeTokenKind::Plain: break;
    }
    return GcodeLexer::Plain;
}

}  // namespace

GcodeLexer::GcodeLexer(QObject* parent) : QsciLexerCustom(parent) {}

const char* GcodeLexer::language() const { return "G-code"; }

QString GcodeLexer::description(int style) const {
    switch (style) {
        case Plain: return QStringLiteral("Default");
        case Comment: return QStringLiteral("Comment");
        case GWord: return QStringLiteral("G word");
        case MWord: return QStringLiteral("M word");
        case Coordinate: return QStringLiteral("Coordinate");
        default: return {};
    }
}

QColor GcodeLexer::defaultColor(int style) const {
    // Dark, distinct hues that read well on the white pane.
    switch (style) {
        case Comment: return QColor(0x2e, 0x7d, 0x32);     // green
        case GWord: return QColor(0x15, 0x3f, 0xbf);       // blue
        case MWord: return QColor(0x9c, 0x27, 0xb0);       // purple
        case Coordinate: return QColor(0x8d, 0x4a, 0x00);  // brown
        default: return QColor(Qt::black);
    }
}

QFont GcodeLexer::defaultFont(int style) const {
    QFont font = font_;
    if (style == GWord || style == MWord) font.setBold(true);
    return font;
}

void GcodeLexer::setPaneFont(const QFont& font) {
    font_ = font;
    for (int style = Unstyled; style <= Coordinate; ++style) setFont(defaultFont(style), style);
    setDefaultFont(font);
}

void GcodeLexer::setEditor(QsciScintilla* editor) {
    if (QsciScintilla* old = this->editor()) disconnect(old, nullptr, this, nullptr);
    QsciLexerCustom::setEditor(editor);
    if (editor) connect(editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this] { styleShownGaps(); });
}

void GcodeLexer::styleText(int start, int end) {
    QsciScintilla* pane = editor();
    if (!pane || end <= start) return;
    long first = pane->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
    long last = pane->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(end - 1));
    if (last - first > kMaxLinesPerRequest) {
        // A jump far ahead: colour what is shown; what was passed over is coloured on its way into view.
        const long top = pane->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
        const long shown = pane->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN);
        first = std::max(first, top - kMarginLines);
        last = std::min(last, top + shown + kMarginLines);
        if (last < first) return;
    }
    styleLines(first, last);
}

void GcodeLexer::styleLines(long firstLine, long lastLine) {
    QsciScintilla* pane = editor();
    const long from = pane->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(firstLine));
    const long to = pane->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(lastLine));
    if (to < from) return;
    startStyling(static_cast<int>(from));
    long position = from;
    for (long line = firstLine; line <= lastLine; ++line) {
        const long lineStart = pane->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long lineEnd = pane->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
        // The line breaks between lines take the plain style.
        if (lineStart > position) setStyling(static_cast<int>(lineStart - position), Plain);
        const auto* text = reinterpret_cast<const char*>(
            pane->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(lineStart), lineEnd - lineStart));
        if (text && lineEnd > lineStart) {
            for (const GcodeToken& token : tokenizeGcodeLine(std::string_view(text, static_cast<std::size_t>(lineEnd - lineStart))))
                setStyling(static_cast<int>(token.length), styleOf(token.kind));
        }
        position = lineEnd;
    }
}

void GcodeLexer::styleShownGaps() {
    QsciScintilla* pane = editor();
    if (!pane) return;
    const long top = pane->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const long shown = pane->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN);
    const long lines = pane->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
    const long endStyled = pane->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
    for (long line = top; line <= std::min(lines - 1, top + shown); ++line) {
        const long start = pane->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        if (start >= endStyled) break;  // beyond what was styled: the next paint asks for it
        const long end = pane->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
        if (end > start && pane->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(start)) == Unstyled) {
            // A gap left by a jump: colour it and the lines around it in one go, keeping where styling ended.
            const long last = std::min(lines - 1, top + shown + kMarginLines);
            styleLines(std::max(0L, top - kMarginLines), last);
            const long styledTo = pane->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(last));
            if (endStyled > styledTo) startStyling(static_cast<int>(endStyled));
            return;
        }
    }
}

}  // namespace tessaline
