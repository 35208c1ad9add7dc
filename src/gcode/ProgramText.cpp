#include "gcode/ProgramText.h"

#include <cstdio>

namespace tessaline {

namespace {

bool isControl(unsigned char ch) { return ch < 0x20 || ch == 0x7f; }

// grbl and its descendants pick these out of the serial stream before any parsing, comments
// included; bytes from 0x80 are extended real-time commands (safety door, overrides) or dropped.
bool isRealtime(unsigned char ch) { return ch == '!' || ch == '~' || ch == '?' || ch == 0x18 || ch >= 0x80; }

std::string hexByte(unsigned char ch) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", ch);
    return text;
}

}  // namespace

CommentStyle CommentStyle::of(const MachineProfile& profile) {
    const bool parentheses = profile.comments == CommentForm::Parentheses;
    return {parentheses ? "(" : profile.comments == CommentForm::Semicolon ? "; " : "", parentheses ? ")" : "",
            profile.lineEnd, profile.limits.realtimeCommands};
}

void appendComment(std::string& out, std::string_view text, const CommentStyle& style, CommentForm form) {
    if (form == CommentForm::None) return;
    out.append(style.open);
    bool inSequence = false;  // within a UTF-8 sequence already written as one '_'
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<unsigned char>(text[i]);
        const bool continuation = inSequence && ch >= 0x80 && ch < 0xc0;
        inSequence = style.realtimeCommands && ch >= 0x80;
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.append(style.close).append(style.lineEnd).append(style.open);
        } else if (ch == '(') {
            out.push_back('[');
        } else if (ch == ')') {
            out.push_back(']');
        } else if (style.realtimeCommands && isRealtime(ch)) {
            if (!continuation) out.push_back('_');
        } else if (isControl(ch) && ch != '\t') {
            out.push_back(' ');
        } else {
            out.push_back(static_cast<char>(ch));
        }
    }
    out.append(style.close).append(style.lineEnd);
}

std::optional<std::string> codeTextProblem(std::string_view text) {
    for (const char c : text) {
        const auto ch = static_cast<unsigned char>(c);
        if (ch == '\r' || ch == '\n') return "holds a line break, which would start a program line of its own";
        if (isControl(ch) && ch != '\t') return "holds the control character " + hexByte(ch);
    }
    return std::nullopt;
}

std::optional<std::string> realtimeCharacterIn(std::string_view text) {
    for (const char c : text) {
        const auto ch = static_cast<unsigned char>(c);
        if (!isRealtime(ch)) continue;
        switch (ch) {
        case '!': return "'!' (feed hold)";
        case '~': return "'~' (cycle start)";
        case '?': return "'?' (status report)";
        case 0x18: return "0x18 (reset)";
        default: return "the byte " + hexByte(ch) + " (an extended real-time command, or dropped)";
        }
    }
    return std::nullopt;
}

}  // namespace tessaline
