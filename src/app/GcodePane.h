#pragma once
// The G-code pane RGcode: an editable, unwrapped text pane that holds programs of millions of
// lines. Lines are separated by LF inside the pane; files are read and written with CR LF.
// textChanged() is emitted by loadProgram() only, not for each edit: the editor's per-edit
// notices cost time in proportion to the text before the change.

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <QString>

namespace tessaline {

class GcodeLexer;

class GcodePane : public QsciScintilla {
    Q_OBJECT
public:
    explicit GcodePane(QWidget* parent = nullptr);

    // Replaces the text with the lines of the file at path, streamed from its bytes (UTF-8, CR LF or
    // LF line ends; one final line break dropped). Nothing to undo afterwards. On failure returns
    // false with the reason in *error and leaves the pane empty.
    bool loadProgram(const QString& path, QString* error);

    // The text with CR LF after every line, as a program file holds it.
    QByteArray programBytes() const;

public slots:
    // Empties the pane together with its undo history, so no copy of a long program is kept.
    void clear() override;
    void setCursorPosition(int line, int index) override;
    void setSelection(int lineFrom, int indexFrom, int lineTo, int indexTo) override;
    void selectAll(bool select = true) override;

signals:
    // The caret moved: by the user's keys or mouse and by the calls above at once, by any other
    // change at the latest when the pane next paints.
    void caretMoved();

protected:
    // Tab and Shift+Tab move the focus on, as in every other control; Ctrl+Tab types a tab.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void noticeCaret();

    GcodeLexer* lexer_;
    long caret_ = 0;
};

}  // namespace tessaline
