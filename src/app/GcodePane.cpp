#include "app/GcodePane.h"

#include "app/GcodeLexer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFile>

namespace tessaline {

namespace {

constexpr qsizetype kTypingRoom = 1 << 20;

// Turns every CR LF into LF in place and returns the new size.
qsizetype joinLineEnds(char* data, qsizetype size) {
    qsizetype out = 0;
    for (qsizetype in = 0; in < size; ++in) {
        if (data[in] == '\r' && in + 1 < size && data[in + 1] == '\n') continue;
        data[out++] = data[in];
    }
    return out;
}

// The editor's own accessibility layer turns the caret position into a character offset by
// counting every character before it, at every paint and insertion: seconds at the end of a
// long program. The pane is offered to assistive tools as a plain editable widget instead.
QAccessibleInterface* paneAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String(GcodePane::staticMetaObject.className()) || !object->isWidgetType()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
}

}  // namespace

GcodePane::GcodePane(QWidget* parent) : QsciScintilla(parent), lexer_(new GcodeLexer(this)) {
    // Installed after the editor's own factory, so asked first.
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(&paneAccessible);
        return true;
    }();
    (void)accessibleInstalled;
    setUtf8(true);
    setWrapMode(QsciScintilla::WrapNone);
    setEolMode(QsciScintilla::EolUnix);
    for (int margin = 0; margin < 5; ++margin) setMarginWidth(margin, 0);
    // The horizontal scroll range follows the widest line drawn so far.
    SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    lexer_->setPaneFont(font());
    setLexer(lexer_);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &GcodePane::noticeCaret);
    // No change notices at all: the editor's handling of them counts every character before the
    // change, so each key typed late in a long program would take a large fraction of a second.
    // Nothing here needs them; colouring is asked for separately.
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
}

void GcodePane::noticeCaret() {
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    if (caret == caret_) return;
    caret_ = caret;
    emit caretMoved();
}

bool GcodePane::event(QEvent* event) {
    const bool handled = QsciScintilla::event(event);
    noticeCaret();
    return handled;
}

bool GcodePane::viewportEvent(QEvent* event) {
    const bool handled = QsciScintilla::viewportEvent(event);
    noticeCaret();
    return handled;
}

void GcodePane::setCursorPosition(int line, int index) {
    QsciScintilla::setCursorPosition(line, index);
    noticeCaret();
}

void GcodePane::setSelection(int lineFrom, int indexFrom, int lineTo, int indexTo) {
    QsciScintilla::setSelection(lineFrom, indexFrom, lineTo, indexTo);
    noticeCaret();
}

void GcodePane::selectAll(bool select) {
    QsciScintilla::selectAll(select);
    noticeCaret();
}

void GcodePane::changeEvent(QEvent* event) {
    QsciScintilla::changeEvent(event);
    if (event->type() == QEvent::FontChange && lexer_) lexer_->setPaneFont(font());
}

void GcodePane::clear() {
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    noticeCaret();
}

bool GcodePane::loadProgram(const QString& path, QString* error) {
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    // One buffer handed over in one insertion: the editor's cost per insertion grows with the text
    // it already holds, so many small appends are far slower than one large one.
    QByteArray bytes(file.size(), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const qint64 got = file.read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (error) *error = file.errorString();
            return false;
        }
        if (got == 0) break;
        filled += got;
    }
    qsizetype size = joinLineEnds(bytes.data(), filled);
    if (size > 0 && bytes[size - 1] == '\n') --size;  // the pane shows no empty line after the last

    // Loading is not an edit: nothing to undo, and no copy of the whole text in the undo history.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    // Room for the text and for 1 MB of typing: the editor regrows a full buffer by only a few
    // bytes at a time, and each regrowth copies the whole program (most of a second at 58 MB).
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(size + kTypingRoom));
    if (size > 0) SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(size), bytes.constData());
    emit textChanged();
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0UL);
    noticeCaret();
    return true;
}

QByteArray GcodePane::programBytes() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* text = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    // Every LF gains a CR, and the last line its CR LF: at most one extra byte per line.
    QByteArray bytes(static_cast<qsizetype>(length + lines + 1), Qt::Uninitialized);
    char* out = bytes.data();
    for (long i = 0; i < length; ++i) {
        if (text[i] == '\n') *out++ = '\r';
        *out++ = text[i];
    }
    *out++ = '\r';
    *out++ = '\n';
    bytes.truncate(out - bytes.constData());
    return bytes;
}

}  // namespace tessaline
