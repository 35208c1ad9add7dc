#pragma once
// Text that is not the generator's own on its way into a program: names, notes and figure texts
// in comments, and a profile's code lines. No such text may start a line of its own, end its
// comment early, or hold a character the controller acts on wherever it stands.

#include "gcode/MachineProfile.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

// How a profile frames a comment line, and whether its controller takes real-time commands
// (grbl's "!" "~" "?" and bytes from 0x80) out of the stream even inside a comment.
struct CommentStyle {
    std::string open;   // "(" or "; "
    std::string close;  // ")" or ""
    std::string lineEnd;
    bool realtimeCommands = false;

    static CommentStyle of(const MachineProfile& profile);
};

// Appends text as one or more whole comment lines: each line break in it starts a new comment
// line, brackets become square ones, other control characters become blanks, and real-time
// command characters become '_' (a whole UTF-8 sequence gives one). Nothing for CommentForm::None.
void appendComment(std::string& out, std::string_view text, const CommentStyle& style, CommentForm form);

// Why text cannot be a line (or part of a line) of program code: it holds a line break or
// another control character. Nothing when it can.
std::optional<std::string> codeTextProblem(std::string_view text);

// The first bad character a controller with real-time commands would take out of text, with
// what it does ("'!' (feed hold)"); nothing when there is none.
std::optional<std::string> realtimeCharacterIn(std::string_view text);

}  // namespace tessaline
