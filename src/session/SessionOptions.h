#pragma once
// What a person chose for a program, checked once for every front end, and turned into the
// generator's complete options for one design session.

#include "design/HoopFit.h"
#include "gcode/GcodeOptions.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace tessaline {

class DesignSession;

// The choices as typed or ticked; the figures, record count and needle travel come from the session.
struct ProgramChoices {
    std::string notes = "Final Gcode";
    std::string feedText = "1500";  // as typed, put after "F " verbatim
    double needleStep = 10;         // mm per needle word
    std::shared_ptr<const MachineProfile> profile;  // none means Classic
    std::string resumeFrom;  // the needle move to resume at as typed; empty: the whole program
    int tieIns = 0;          // strokes in place at the resume point before it; only with resumeFrom
    bool invertX = false;
    bool invertY = false;
    bool emitG90 = true;
    bool emitG21 = true;
    bool emitG64 = true;
    bool emitM786 = true;
    bool emitM02 = true;
    bool emitM30 = true;
};

// The choice a program cannot be made with.
enum class OptionField {
    Feed,          // the feed text
    NeedleStep,    // the needle step, for the profile
    ResumePoint,   // the needle move to resume at
    TieIns,        // the tie-in strokes at the resume point
    NeedleTravel,  // the needle numbers or travel of this design, for the profile and step
    HoopDiameter,  // the hoop the design must fit
};

// One choice refused: which, and why. what() is the reason; for ResumePoint and NeedleTravel a
// phrase that reads after the field's name ("7 is past the design's last needle move, 5").
// design() names the design's file when the choice is refused for that design, else is empty.
class SessionOptionError : public std::invalid_argument {
public:
    SessionOptionError(OptionField field, const std::string& reason, std::filesystem::path design = {})
        : std::invalid_argument(reason), field_(field), design_(std::move(design)) {}
    OptionField field() const { return field_; }
    std::string reason() const { return what(); }
    const std::filesystem::path& design() const { return design_; }

private:
    OptionField field_;
    std::filesystem::path design_;
};

// The most tie-in strokes a resumed program takes.
inline constexpr int kMaxTieIns = 20;

// Checks what needs no design, in this order: the resume point's form, the tie-ins, the feed,
// the needle step.
// Throws SessionOptionError.
void checkChoices(const ProgramChoices& choices);

// checkChoices, then the resume point within the design's needle moves and the needle travel
// settled for the profile; returns options complete for every job. Throws SessionOptionError.
GcodeOptions programOptions(const DesignSession& session, const ProgramChoices& choices);

// Refuses a hoop diameter that is not a finite number of millimetres above 0 (SessionOptionError).
void checkHoopDiameter(double millimetres);
// Whether the design lies inside a round hoop of that diameter centred on the origin; refuses
// the diameter as checkHoopDiameter does.
HoopFit hoopFitOf(const DesignSession& session, double hoopDiameterMm);

// The options of the design's outline trace: the feed and the needle step checked, the notes
// "Outline trace", the whole program (no resume point). Throws SessionOptionError.
GcodeOptions traceOptions(const DesignSession& session, const ProgramChoices& choices);

}  // namespace tessaline
