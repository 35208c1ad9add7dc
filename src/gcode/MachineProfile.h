#pragma once
// A machine profile: everything that decides how the program is worded for one controller,
// and the limits the program checker holds programs to. Data only; the generator and the
// checker read it, the built-ins and the user's TOML files fill it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

enum class CommentForm { Parentheses, Semicolon, None };
enum class ChangeMove { Feed, Rapid, None };
// How the controller acknowledges streamed lines; None: it runs programs itself (no sending).
enum class LinkProtocol { None, Grbl, Marlin, LineOk };

// What a controller refuses or misreads; the checker's rules.
struct ProgramLimits {
    std::size_t lineLength = 0;             // longest line it takes; 0 = no limit
    bool lineLengthCountsComments = true;   // false: comments and blanks are stripped first
    bool parenthesesComments = true;        // reads "( )" as comments
    bool semicolonComments = true;          // reads "; ..." to the end of the line as a comment
    std::vector<std::string> gCodes;        // G numbers it takes, as written without leading zeros
    std::vector<std::string> mCodes;        // M numbers likewise
    std::string letters;                    // parameter letters besides G and M
    std::vector<std::string> commands;      // named commands ("PAUSE"), with free parameters
    std::vector<std::string> textCodes;     // codes whose rest of line is free text ("M117")
    double maxValue = 1e15;                 // largest magnitude of a number
    int maxDigits = 15;                     // most significant digits a number may carry
    // Takes "!" "~" "?" and bytes from 0x80 out of the stream wherever they stand, comments
    // included (grbl's real-time commands); texts written for it must not hold them.
    bool realtimeCommands = false;
    bool codeLeadingZeros = true;           // takes "G01" for "G1"; false: only the bare number
    bool bareWords = true;                  // takes a line of words without a code ("F 1500")
};

struct MachineProfile {
    std::string name;
    std::string summary;  // one line for listings

    CommentForm comments = CommentForm::Parentheses;
    std::string lineEnd = "\r\n";
    // Header and footer boxes the controller can take (of G90 G21 G64 and M786 M02 M30).
    std::vector<std::string> headerWords = {"G90", "G21", "G64"};
    std::vector<std::string> footerWords = {"M786", "M02", "M30"};
    std::vector<std::string> headerLines;  // written after the header words, before the feed
    std::string feedLine = "F {feed}";
    std::string endCode;                   // written last unless a footer box wrote it; "" = none

    std::string moveCode = "G01";
    std::string rapidCode = "G00";
    bool trailingBlank = true;  // a blank after the last word of move lines

    std::string lampOn = "M07";   // at colour changes; "" = none
    std::string lampOff = "M09";  // when a jump or stitch run starts; "" = none
    std::string jumpComment = "NEEDLE UP RAPID MOVE- Light bulb Off if On";
    std::string stitchComment = "START STITCHING- Light Bulb Off if On";
    std::string colourComment = "THREAD COLOR CHANGE- M7 Light Bulb On";

    ChangeMove changeMove = ChangeMove::Feed;
    std::vector<std::string> colourStop = {"M06"};  // {colour}: number of the colour that follows

    std::string needleAxis = "Z";
    bool rebase = false;                      // after each colour stop: rebaseLine, count from zero
    // Declares the needle's number: {position} is 0 at a re-base, the needle's number at a resume.
    std::string rebaseLine = "G92 {axis}{position}";
    bool rebaseResets = false;                // rebaseLine restarts the machine position, not only the program's
    std::size_t rebaseSpan = 0;               // mm; re-base within a colour before a number passes it; 0 = never
    double needleMachineMax = 1e15;           // mm the needle axis's machine position may reach
    std::string machineNote;                  // what the machine must allow, in the header and listings
    bool finalColourStop = true;              // a colour change after the last needle move stops too

    bool jumpStrokes = true;                  // false: jumps travel with the needle held
    std::string travelFeed;                   // feed of needle-held travel; "" = rapid moves
    std::size_t trimJumps = 3;                // a run of this many jumps or more is a trim
    std::vector<std::string> trimStop;        // written before such a run; empty = none
    std::string needleUpWait;                 // after each stroke; "" = none
    std::string progress;                     // {percent}; "" = none
    std::string dwellLine = "G4 P{seconds}";  // a pause; {seconds} or {milliseconds}

    LinkProtocol protocol = LinkProtocol::None;  // for sending the program over a serial link
    std::size_t receiveBuffer = 128;             // grbl protocol: bytes the controller's buffer holds

    ProgramLimits limits;
};

// Text of a G or M code without its letter and leading zeros ("M06" gives "6", "G92.1" "92.1").
std::string codeNumber(std::string_view code);

// A field of a profile that would let a program mislead the controller, by its TOML key.
struct ProfileProblem {
    std::string field;
    std::string reason;
};

// The first such field: a name or code text with a line break or control character (or a
// real-time command character, where the controller takes them), a needle axis that is not one
// axis letter besides X and Y, a travel feed that is not a positive number, a number limit that
// is not a finite positive number. Nothing for a sound profile.
std::optional<ProfileProblem> profileProblem(const MachineProfile& profile);

// Why the profile cannot take one of the header or footer boxes ("grbl 1.1 has no G64"),
// or "" when it can.
std::string boxProblem(const MachineProfile& profile, std::string_view box);

}  // namespace tessaline
