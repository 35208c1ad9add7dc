#include "gcode/LineEndJoiner.h"

namespace tessaline {

void LineEndJoiner::put(char c, std::string& out) {
    // A line break is written only once something follows it.
    if (heldLf_) {
        out.push_back('\n');
        heldLf_ = false;
    }
    if (c == '\n') {
        heldLf_ = true;
    } else {
        out.push_back(c);
    }
}

void LineEndJoiner::feed(std::string_view piece, std::string& out) {
    for (const char c : piece) {
        if (heldCr_) {
            heldCr_ = false;
            if (c == '\n') {
                put('\n', out);
                continue;
            }
            put('\r', out);
        }
        if (c == '\r') {
            heldCr_ = true;
        } else {
            put(c, out);
        }
    }
}

void LineEndJoiner::finish(std::string& out) {
    if (heldCr_) put('\r', out);
    heldCr_ = false;
    heldLf_ = false;
}

}  // namespace tessaline
