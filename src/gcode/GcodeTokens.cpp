#include "gcode/GcodeTokens.h"

namespace tessaline {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The length of the number at the start of text (sign, digits and one point), 0 when none.
std::size_t numberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    return digits ? i : 0;
}

GcodeTokenKind wordKind(char letter) {
    switch (upper(letter)) {
        case 'G': return GcodeTokenKind::GWord;
        case 'M': return GcodeTokenKind::MWord;
        case 'X': case 'Y': case 'Z': case 'I': case 'J': case 'K': case 'A': case 'B': case 'C':
            return GcodeTokenKind::Coordinate;
        default: return GcodeTokenKind::Plain;
    }
}

}  // namespace

std::vector<GcodeToken> tokenizeGcodeLine(std::string_view line) {
    std::vector<GcodeToken> tokens;
    auto add = [&tokens](std::size_t begin, std::size_t length, GcodeTokenKind kind) {
        if (length == 0) return;
        if (kind == GcodeTokenKind::Plain && !tokens.empty() && tokens.back().kind == GcodeTokenKind::Plain) {
            tokens.back().length += length;
        } else {
            tokens.push_back({begin, length, kind});
        }
    };
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '(') {
            const std::size_t close = line.find(')', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
            add(i, end - i, GcodeTokenKind::Comment);
            i = end;
        } else if (c == ';') {
            add(i, line.size() - i, GcodeTokenKind::Comment);
            i = line.size();
        } else if (const GcodeTokenKind kind = wordKind(c); kind != GcodeTokenKind::Plain) {
            const std::size_t number = numberLength(line.substr(i + 1));
            add(i, 1 + number, number > 0 ? kind : GcodeTokenKind::Plain);
            i += 1 + number;
        } else {
            add(i, 1, GcodeTokenKind::Plain);
            ++i;
        }
    }
    return tokens;
}

}  // namespace tessaline
