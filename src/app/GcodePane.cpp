#include "app/GcodePane.h"

#include "app/GcodeLexer.h"
#include "common/InputFile.h"
#include "gcode/LineEndJoiner.h"
#include "gcode/ScratchProgram.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QFile>

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

namespace {

constexpr qsizetype kTypingRoom = 1 << 20;
constexpr qsizetype kChunkBytes = 1 << 20;

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

bool GcodePane::focusNextPrevChild(bool next) {
    // The editor keeps Tab for itself; the window's buttons must stay within reach of the keyboard.
    return QWidget::focusNextPrevChild(next);
}

void GcodePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier) {
        SendScintilla(SCI_REPLACESEL, "\t");
        noticeCaret();
        return;
    }
    QsciScintilla::keyPressEvent(event);
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
    // Read as every user file is: the scratch file could have been swapped for a pipe or a device.
    std::optional<InputFile> file;
    try {
        file.emplace(QFile::encodeName(path).toStdString(), InputLimit{kMaxProgramFileBytes, kProgramTooLarge});
    } catch (const InputFileError& e) {
        if (error) *error = QString::fromStdString(e.reason());
        return false;
    }
    // Loading is not an edit: nothing to undo, and no copy of the whole text in the undo history.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    // Room for the whole text, so the pieces append without regrowing, and for 1 MB of typing:
    // the editor regrows a full buffer by only a few bytes at a time, each time copying it all.
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(file->size() + kTypingRoom));
    LineEndJoiner joiner;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    std::string shown;
    shown.reserve(static_cast<std::size_t>(kChunkBytes) + 1);
    auto append = [this, &shown] {
        if (!shown.empty()) SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(shown.size()), shown.data());
        shown.clear();
    };
    QString problem;
    try {
        while (const std::size_t got = file->read(chunk.data(), kChunkBytes)) {
            joiner.feed(std::string_view(chunk.constData(), got), shown);
            append();
        }
    } catch (const InputFileError& e) {
        problem = QString::fromStdString(e.reason());
    }
    const bool ok = problem.isEmpty();
    joiner.finish(shown);
    append();
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0UL);
    if (!ok) {
        if (error) *error = problem;
        clear();
    }
    emit textChanged();
    noticeCaret();
    return ok;
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
