#pragma once
// Program text fed in pieces, as a text pane shows it: CR LF becomes LF, and the one line break
// that ends the last line is dropped. A CR LF split between two pieces is still one line break.

#include <string>
#include <string_view>

namespace tessaline {

class LineEndJoiner {
public:
    // Appends the shown form of piece to out (out is not cleared).
    void feed(std::string_view piece, std::string& out);
    // Appends what is still held back once the text has ended: a CR that ended it.
    void finish(std::string& out);

private:
    void put(char c, std::string& out);

    bool heldCr_ = false;
    bool heldLf_ = false;
};

}  // namespace tessaline
