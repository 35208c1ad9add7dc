#pragma once
// Light colouring of a G-code program in the pane. Styles only lines near what is shown, so a
// program of millions of lines costs no more than a short one; lines passed over by a long jump
// are coloured when they scroll into view.

#include <Qsci/qscilexercustom.h>

namespace tessaline {

class GcodeLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    // Style numbers; 0 is left unused so that "never styled" can be told from "plain".
    enum Style { Unstyled = 0, Plain = 1, Comment = 2, GWord = 3, MWord = 4, Coordinate = 5 };

    explicit GcodeLexer(QObject* parent = nullptr);

    const char* language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    void setEditor(QsciScintilla* editor) override;
    void styleText(int start, int end) override;

    // Uses font for every style (the pane keeps the window's font).
    void setPaneFont(const QFont& font);

private:
    void styleLines(long firstLine, long lastLine);
    void styleShownGaps();

    QFont font_;
};

}  // namespace tessaline
