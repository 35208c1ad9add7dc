#include "gcode/BuiltinProfiles.h"

namespace tessaline {

namespace {

std::vector<std::string> range(int first, int last) {
    std::vector<std::string> codes;
    for (int code = first; code <= last; ++code) codes.push_back(std::to_string(code));
    return codes;
}

std::vector<std::string> joined(std::vector<std::string> codes, const std::vector<std::string>& more) {
    codes.insert(codes.end(), more.begin(), more.end());
    return codes;
}

// Comment texts of the other dialects: no lamp codes named, since those differ per machine.
void plainComments(MachineProfile& p) {
    p.jumpComment = "JUMPS - needle held up";
    p.stitchComment = "STITCHING";
    p.colourComment = "THREAD COLOUR CHANGE";
}

MachineProfile classic() {
    MachineProfile p;
    p.name = kClassicProfileName;
    p.summary = "The program as always written: CR LF lines, ( ) comments, ever-growing Z, M786 footer";
    // Everything Classic writes, and nothing more: a program for the controller that takes it all.
    p.limits.gCodes = {"0", "1", "4", "21", "64", "90", "92"};
    p.limits.mCodes = {"0", "2", "6", "7", "9", "30", "786"};
    p.limits.letters = "FXYZ";
    return p;
}

// Float-based firmware: a float holds every whole number only up to 2^24, and about seven
// significant digits.
constexpr double kFloatWholeLimit = 16777216;
constexpr int kFloatDigits = 7;

// Where G92 only shifts program coordinates, the needle axis's machine position grows by two
// steps a needle move for the whole program. grbl and grblHAL count it in a signed 32-bit step
// counter (sys_position), as LinuxCNC's software step generator does on its 32-bit count pin:
// 2^31 steps are 8,589,934 mm at 250 steps per mm (the fine end of usual drives; at 80 steps per
// mm they are 26 million mm). 8,000,000 mm stays inside that with a margin.
constexpr double kStepCounterTravel = 8'000'000;
// Re-based every 1000 mm within a colour, a needle number has at most four whole digits: with
// three decimals it fits a float's seven, and the machine travel between re-bases stays short.
constexpr std::size_t kRebaseSpan = 1000;

MachineProfile grbl() {
    MachineProfile p;
    p.name = "grbl 1.1";
    p.summary = "grbl 1.1: no G64, M06 or M786; coolant M8 as the lamp; M0 colour stops; jumps travel at G0";
    plainComments(p);
    p.lineEnd = "\n";
    p.moveCode = "G1";
    p.rapidCode = "G0";
    p.trailingBlank = false;
    // Supported codes: grbl wiki, "Grbl v1.1 Commands" and "G-code Quick Reference" (gnea/grbl):
    // G64 is not among them, M7 needs ENABLE_M7 in config.h, and M6 and M786 are refused with
    // error 20 "Unsupported or invalid g-code command".
    p.headerWords = {"G90", "G21"};
    p.footerWords = {"M02", "M30"};
    p.endCode = "M30";
    p.lampOn = "M8";
    p.lampOff = "M9";
    p.changeMove = ChangeMove::Rapid;
    // M0 is a feed hold until cycle start (same page); comments are dropped, so no message.
    p.colourStop = {"M0"};
    p.finalColourStop = false;
    p.rebase = true;
    p.rebaseSpan = kRebaseSpan;
    p.needleMachineMax = kStepCounterTravel;
    p.machineNote = "G92 does not reset the machine position: the needle axis must allow the travel stated";
    p.jumpStrokes = false;
    // LINE_BUFFER_SIZE is 80 bytes with the terminating zero: 79 characters, counted after blanks
    // and comments are stripped (error 11).
    p.limits.lineLength = 79;
    p.limits.lineLengthCountsComments = false;
    p.limits.gCodes = {"0",  "1",  "2",    "3",  "4",    "10",   "17",   "18",   "19", "20", "21",
                       "28", "28.1", "30", "30.1", "38.2", "38.3", "38.4", "38.5", "40", "43.1", "49",
                       "53", "54", "55", "56", "57", "58", "59", "61", "80", "90", "91", "91.1", "92", "92.1",
                       "93", "94"};
    p.limits.mCodes = {"0", "1", "2", "3", "4", "5", "8", "9", "30"};
    p.limits.letters = "FIJKLNPRSTXYZ";
    p.limits.maxValue = kFloatWholeLimit;
    p.limits.maxDigits = kFloatDigits;
    // "Grbl v1.1 Interface", real-time commands: picked from the stream before parsing.
    p.limits.realtimeCommands = true;
    // Same page, "Streaming Protocol: Character-Counting": a 128-byte serial receive buffer.
    p.protocol = LinkProtocol::Grbl;
    p.receiveBuffer = 128;
    return p;
}

MachineProfile grblHal() {
    MachineProfile p = grbl();
    p.name = "grblHAL";
    p.summary = "grblHAL: as grbl 1.1, with (MSG, ) colour-stop messages, a 256-character line and M66 input waits";
    p.headerLines = {};
    // grblHAL core wiki, "G-code support" (grblHAL/core): M6 tool change with T, M62-M68 digital and
    // analog I/O including M66 wait on input, (MSG, ...) comments shown to the sender,
    // and a 256-character line buffer.
    p.colourStop = {"M0 (MSG, Thread colour {colour})"};
    p.limits.lineLength = 256;
    p.receiveBuffer = 1024;  // grblHAL's default RX_BUFFER_SIZE
    p.limits.gCodes = joined(p.limits.gCodes, {"5", "5.1", "7", "8", "33", "43", "51", "65", "76", "95", "96", "97",
                                               "98", "99"});
    p.limits.mCodes = joined(p.limits.mCodes, {"6", "7", "48", "49", "50", "51", "53", "56", "61", "62", "63", "64",
                                               "65", "66", "67", "68"});
    p.limits.letters = "ABCDEFHIJKLNPQRSTUVWXYZ";
    return p;
}

MachineProfile marlin() {
    MachineProfile p;
    p.name = "Marlin 2";
    p.summary = "Marlin 2: ; comments, LF, no M30 (deletes an SD file), endstops off, M0 messages, M73 progress";
    plainComments(p);
    // marlinfw.org, "G-code index": ( ) comments are read only with PAREN_COMMENTS; ';' always.
    p.comments = CommentForm::Semicolon;
    p.lineEnd = "\n";
    p.moveCode = "G1";
    p.rapidCode = "G0";
    p.trailingBlank = false;
    // G20/G21 need INCH_MODE_SUPPORT (docs "G20"); M30 is "Delete SD file" (docs "M30") and there
    // is no M2: the program simply ends.
    p.headerWords = {"G90"};
    p.footerWords = {};
    // docs "M211 - Software Endstops": S0 turns them off, else the needle axis is clipped.
    p.headerLines = {"M211 S0"};
    // A bare F word is not a command to Marlin; it rides on a move.
    p.feedLine = "G1 F{feed}";
    // M7/M8/M9 need the coolant options (docs "M7 M8 M9"): no lamp by default.
    p.lampOn = "";
    p.lampOff = "";
    p.changeMove = ChangeMove::Rapid;
    // docs "M0-M1 - Unconditional stop": the rest of the line is shown on the LCD.
    p.colourStop = {"M0 Thread colour {colour}"};
    p.finalColourStop = false;
    p.rebase = true;
    // docs "G92 - Set Position": without workspace offsets (NO_WORKSPACE_OFFSETS) G92 sets the
    // current position itself; with them it only shifts the coordinate system, like grbl's.
    p.rebaseResets = true;
    p.rebaseSpan = kRebaseSpan;
    p.needleMachineMax = kStepCounterTravel;  // count_position is a signed 32-bit step count too
    p.machineNote = "G92 restarts the needle axis only in a Marlin built with NO_WORKSPACE_OFFSETS";
    p.jumpStrokes = false;
    // docs "M73 - Set Print Progress": P<percent>, shown with SET_PROGRESS_MANUALLY.
    p.progress = "M73 P{percent}";
    p.protocol = LinkProtocol::Marlin;
    // docs "G4 - Dwell": P in milliseconds, S in seconds.
    p.dwellLine = "G4 P{milliseconds}";
    p.limits.lineLength = 96;  // MAX_CMD_SIZE, after comments are stripped
    p.limits.lineLengthCountsComments = false;
    p.limits.parenthesesComments = false;
    p.limits.gCodes = {"0", "1", "2", "3", "4", "5", "28", "90", "91", "92"};
    p.limits.mCodes = {"0", "1", "17", "18", "73", "84", "114", "117", "211", "226", "400"};
    p.limits.textCodes = {"M0", "M1", "M117"};
    p.limits.letters = "EFIJPRSTXYZ";
    p.limits.maxValue = kFloatWholeLimit;
    p.limits.maxDigits = kFloatDigits;
    return p;
}

MachineProfile linuxCnc() {
    MachineProfile p;
    p.name = "LinuxCNC 2.9";
    p.summary = "LinuxCNC 2.9: no M786 (M-codes above 199), M7/M9 lamp, M0 with (MSG, ) colour stops, M2 end";
    plainComments(p);
    p.lineEnd = "\n";
    p.moveCode = "G1";
    p.rapidCode = "G0";
    p.trailingBlank = false;
    // linuxcnc.org/docs/2.9/html/gcode/m-code.html: M0 pause, M2/M30 end, M7/M8/M9 coolant,
    // M66 wait on input, M100-M199 user codes; no M-code above 199 ("M786" is an error).
    p.headerWords = {"G90", "G21", "G64"};
    p.footerWords = {"M02", "M30"};
    p.endCode = "M2";
    p.lampOn = "M7";
    p.lampOff = "M9";
    p.changeMove = ChangeMove::Rapid;
    // linuxcnc.org/docs/2.9/html/gcode/overview.html, "Messages": (MSG, text) is shown to the operator.
    p.colourStop = {"M0 (MSG, Thread colour {colour})"};
    p.finalColourStop = false;
    p.rebase = true;
    p.rebaseSpan = kRebaseSpan;
    p.needleMachineMax = kStepCounterTravel;
    p.machineNote = "G92 does not reset the machine position: the needle axis must allow the travel stated";
    p.jumpStrokes = false;
    // overview.html, "Comments": nested parentheses are an error; ';' comments to the end of line.
    p.limits.lineLength = 255;  // LINELEN of the interpreter
    p.limits.gCodes = {"0",  "1",  "2",  "3",  "4",  "5",  "5.1", "5.2", "5.3", "7",  "8",  "10", "17", "18",
                       "19", "20", "21", "28", "28.1", "30", "30.1", "33", "33.1", "38.2", "38.3", "38.4", "38.5",
                       "40", "41", "41.1", "42", "42.1", "43", "43.1", "43.2", "49", "52", "53", "54", "55", "56",
                       "57", "58", "59", "59.1", "59.2", "59.3", "61", "61.1", "64", "70", "71", "73", "74", "76",
                       "80", "81", "82", "83", "84", "85", "86", "87", "88", "89", "90", "90.1", "91", "91.1",
                       "92", "92.1", "92.2", "92.3", "93", "94", "95", "96", "97", "98", "99"};
    p.limits.mCodes = joined({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "19", "30", "48", "49", "50", "51",
                              "52", "53", "60", "61", "62", "63", "64", "65", "66", "67", "68", "70", "71", "72",
                              "73"},
                             range(100, 199));
    p.limits.letters = "ABCDEFHIJKLNPQRSTUVWXYZ";
    return p;
}

MachineProfile klipper() {
    MachineProfile p;
    p.name = "Klipper";
    p.summary = "Klipper: ; comments only, no M0/M2/M30, PAUSE colour stops with M117 messages, M73 progress";
    plainComments(p);
    // klipper3d.org/G-Codes.html: the standard commands are G0/G1, G4, G28, G90/G91, G92, M18/M84,
    // M400 and a few heater codes; comments start with ';'. Extended commands (PAUSE from
    // [pause_resume], M117 and M73 from [display_status]) take named parameters or text.
    p.comments = CommentForm::Semicolon;
    p.lineEnd = "\n";
    p.moveCode = "G1";
    p.rapidCode = "G0";
    p.trailingBlank = false;
    p.headerWords = {"G90"};
    p.footerWords = {};
    p.feedLine = "G1 F{feed}";
    p.lampOn = "";
    p.lampOff = "";
    p.changeMove = ChangeMove::Rapid;
    p.colourStop = {"M117 Thread colour {colour}", "PAUSE"};
    p.finalColourStop = false;
    p.rebase = true;
    // G92 only shifts Klipper's G-code coordinates and the toolhead refuses a move past the
    // stepper's position_max ("Move out of range"); SET_KINEMATIC_POSITION (G-Codes.html, "Force
    // movement") sets the toolhead's own position, so the travel restarts at every re-base.
    p.rebaseLine = "SET_KINEMATIC_POSITION {axis}={position}";
    p.rebaseResets = true;
    p.rebaseSpan = kRebaseSpan;
    // The real bound is position_max of the needle's stepper in printer.cfg; the re-bases keep the
    // travel within the span.
    p.needleMachineMax = static_cast<double>(kRebaseSpan);
    p.machineNote = "SET_KINEMATIC_POSITION needs [force_move] enable_force_move: True, and the needle "
                    "stepper's position_max at least the travel stated";
    p.jumpStrokes = false;
    p.progress = "M73 P{percent}";
    // The host process's pseudo-terminal (klippy -I) answers each line "ok".
    p.protocol = LinkProtocol::LineOk;
    // G-Codes.html, "G4": dwell time in milliseconds.
    p.dwellLine = "G4 P{milliseconds}";
    p.limits.parenthesesComments = false;
    // G21 is taken (and does nothing: Klipper works in millimetres). A command is its letter and
    // number exactly as registered, so "G01" is an unknown command, as is a line that starts with
    // a parameter ("F 1500").
    p.limits.gCodes = {"0", "1", "4", "21", "28", "90", "91", "92"};
    p.limits.codeLeadingZeros = false;
    p.limits.bareWords = false;
    p.limits.mCodes = {"18", "73", "82", "83", "84", "104", "105", "106", "107", "109", "112", "114", "115", "117",
                       "140", "190", "204", "220", "221", "400"};
    p.limits.textCodes = {"M117"};
    p.limits.commands = {"PAUSE", "RESUME", "CANCEL_PRINT", "SET_PIN", "SET_KINEMATIC_POSITION"};
    p.limits.letters = "EFPSTXYZ";
    return p;
}

}  // namespace

const std::vector<MachineProfile>& builtinProfiles() {
    static const std::vector<MachineProfile> profiles = {classic(), grbl(), grblHal(), marlin(), linuxCnc(), klipper()};
    return profiles;
}

const MachineProfile& classicProfile() { return builtinProfiles().front(); }

}  // namespace tessaline
