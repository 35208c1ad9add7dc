#include "session/SessionOptions.h"

#include "common/NumberFormat.h"
#include "common/ValueChecks.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/FeedText.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/NeedlePlan.h"
#include "gcode/ScratchProgram.h"
#include "session/DesignSession.h"

#include <charconv>
#include <string_view>

namespace tessaline {

namespace {

// The needle move as typed: digits only, counted from 1. A number past what 64 bits hold is
// still a number, only past every design's last move; its text is kept for the refusal.
struct ResumePoint {
    std::uint64_t move = 0;
    bool beyond = false;
    std::string text;  // the digits without leading zeros
};

ResumePoint readResumePoint(const std::string& text) {
    if (text.empty()) return {};
    std::string_view digits = text;
    if (digits.front() == '+') digits.remove_prefix(1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        throw SessionOptionError(OptionField::ResumePoint, "must be a whole number of needle moves, not '" + text + "'");
    }
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (negative || digits == "0") {
        throw SessionOptionError(OptionField::ResumePoint, "'" + text + "': needle moves count from 1");
    }
    ResumePoint point;
    point.text = std::string(digits);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), point.move);
    point.beyond = error != std::errc() || end != digits.data() + digits.size();
    return point;
}

// Tie-ins lock a new thread at a resume point; a whole program has none.
void checkTieIns(const ProgramChoices& choices) {
    if (choices.tieIns == 0) return;
    if (choices.tieIns < 0 || choices.tieIns > kMaxTieIns) {
        throw SessionOptionError(OptionField::TieIns, "must be a whole number of strokes from 0 to " +
                                                          formatInteger(kMaxTieIns) + ", not " +
                                                          formatInteger(choices.tieIns));
    }
    if (choices.resumeFrom.empty()) {
        throw SessionOptionError(OptionField::TieIns, "needs a needle move to resume at");
    }
}

const MachineProfile& profileOf(const ProgramChoices& choices) {
    return choices.profile ? *choices.profile : classicProfile();
}

// The options every job shares: the choices and the session's figures.
GcodeOptions baseOptions(const DesignSession& session, const ProgramChoices& choices) {
    GcodeOptions options;
    const FigureTexts& texts = session.texts();
    options.fileName = texts.fileName;
    options.heightText = texts.height;
    options.widthText = texts.width;
    options.stitchCountText = texts.stitches;
    options.colourCountText = texts.colours;
    options.recordCount = static_cast<std::size_t>(session.figures().records);
    options.notes = choices.notes;
    options.feedText = choices.feedText;
    options.zStep = choices.needleStep;
    options.profile = choices.profile;
    options.invertX = choices.invertX;
    options.invertY = choices.invertY;
    options.emitG90 = choices.emitG90;
    options.emitG21 = choices.emitG21;
    options.emitG64 = choices.emitG64;
    options.emitM786 = choices.emitM786;
    options.emitM02 = choices.emitM02;
    options.emitM30 = choices.emitM30;
    return options;
}

void checkFeedAndStep(const ProgramChoices& choices) {
    if (auto problem = feedTextProblem(choices.feedText)) throw SessionOptionError(OptionField::Feed, *problem);
    if (auto problem = needleStepProblem(choices.needleStep, profileOf(choices)))
        throw SessionOptionError(OptionField::NeedleStep, *problem);
}

}  // namespace

void checkChoices(const ProgramChoices& choices) {
    readResumePoint(choices.resumeFrom);
    checkTieIns(choices);
    checkFeedAndStep(choices);
}

GcodeOptions programOptions(const DesignSession& session, const ProgramChoices& choices) {
    const ResumePoint resume = readResumePoint(choices.resumeFrom);
    checkTieIns(choices);
    checkFeedAndStep(choices);
    if (resume.beyond || resume.move > session.needleMoves()) {
        throw SessionOptionError(OptionField::ResumePoint, resume.text + " is past the design's last needle move, " +
                                                               formatUnsigned(session.needleMoves()),
                                 session.path());
    }
    GcodeOptions options = baseOptions(session, choices);
    options.resumeFrom = resume.move;
    options.tieInStitches = static_cast<unsigned>(choices.tieIns);
    try {
        settleNeedle(options, session.needlePlan(profileOf(choices), choices.needleStep));
    } catch (const NeedleRangeError& e) {
        throw SessionOptionError(OptionField::NeedleTravel, e.what(), session.path());
    }
    return options;
}

void checkHoopDiameter(double millimetres) {
    if (auto problem = hoopDiameterProblem(millimetres)) throw SessionOptionError(OptionField::HoopDiameter, *problem);
}

HoopFit hoopFitOf(const DesignSession& session, double hoopDiameterMm) {
    checkHoopDiameter(hoopDiameterMm);
    return hoopFit(session.reach(), hoopDiameterMm);
}

GcodeOptions traceOptions(const DesignSession& session, const ProgramChoices& choices) {
    checkFeedAndStep(choices);
    GcodeOptions options = baseOptions(session, choices);
    options.notes = kOutlineTraceNotes;
    return options;
}

}  // namespace tessaline
