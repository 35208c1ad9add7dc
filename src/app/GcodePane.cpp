#include "app/GcodePane.h"

#include "app/GcodeLexer.h"

#include <QEvent>
#include <QFile>

namespace tessaline {

namespace {

constexpr qint64 kChunkBytes = 1 << 20;

// Appends bytes to the pane, CR LF turned into LF; a CR that ends a chunk waits for the next one.
class LineEndFilter {
public:
    explicit LineEndFilter(QsciScintilla& pane) : pane_(pane) {}

    void add(const char* data, qint64 size) {
        out_.clear();
        if (heldCr_) out_.push_back('\r');
        heldCr_ = false;
        if (heldLf_) out_.push_back('\n');
        heldLf_ = false;
        for (qint64 i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n' && !out_.isEmpty() && out_.back() == '\r') {
                out_.back() = '\n';
            } else {
                out_.push_back(c);
            }
        }
        // The final line break is not shown, so a trailing one is held until more text follows.
        if (!out_.isEmpty() && out_.back() == '\r') {
            heldCr_ = true;
            out_.chop(1);
        } else if (!out_.isEmpty() && out_.back() == '\n') {
            heldLf_ = true;
            out_.chop(1);
        }
        append();
    }

    // A CR left at the very end stays (it is not followed by LF); a final LF is dropped.
    void finish() {
        out_.clear();
        if (heldCr_) out_.push_back('\r');
        heldCr_ = heldLf_ = false;
        append();
    }

private:
    void append() {
        if (!out_.isEmpty())
            pane_.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(out_.size()), out_.constData());
    }

    QsciScintilla& pane_;
    QByteArray out_;
    bool heldCr_ = false;
    bool heldLf_ = false;
};

}  // namespace

GcodePane::GcodePane(QWidget* parent) : QsciScintilla(parent), lexer_(new GcodeLexer(this)) {
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
    // Loading is not an edit: nothing to undo, and no copy of the whole text in the undo history.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    if (file.size() > 0) SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(file.size()) + 1);
    LineEndFilter filter(*this);
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 got = file.read(chunk.data(), kChunkBytes);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) break;
        filter.add(chunk.constData(), got);
    }
    filter.finish();
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0UL);
    if (!ok) {
        if (error) *error = file.errorString();
        clear();
    }
    noticeCaret();
    return ok;
}

QByteArray GcodePane::programBytes() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* text = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(length + lines + 2));
    for (long i = 0; i < length; ++i) {
        if (text[i] == '\n') bytes.push_back('\r');
        bytes.push_back(text[i]);
    }
    bytes.append("\r\n");
    return bytes;
}

}  // namespace tessaline
