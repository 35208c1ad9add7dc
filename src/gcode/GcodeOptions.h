#pragma once
// Everything the generator reads besides the design records, gathered when it runs.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tessaline {

struct MachineProfile;

struct GcodeOptions {
    // Figure texts as the window shows them; copied into the header comments, where brackets
    // become square ones and a line break starts a comment line of its own.
    std::string fileName;
    std::string heightText;
    std::string widthText;
    std::string stitchCountText;
    std::string colourCountText;

    std::string notes = "Final Gcode";  // a comment like the figure texts, one per line
    bool emitG90 = true;
    bool emitG21 = true;
    bool emitG64 = true;
    std::string feedText = "1500";  // verbatim, may be empty; callers refuse it by feedTextProblem()
    double zStep = 10;
    bool invertX = false;
    bool invertY = false;
    bool emitM786 = true;
    bool emitM02 = true;
    bool emitM30 = true;

    // The controller's dialect; none means Classic. Boxes the profile cannot take are left out.
    std::shared_ptr<const MachineProfile> profile;
    // Records of the design, for progress codes; 0 leaves them out.
    std::size_t recordCount = 0;
    // 0: the whole program. N: the program that resumes at the N-th needle move (stitch or jump
    // record, counted from 1), after the same header: a travel there with the needle held and a
    // re-base of the needle axis, then the whole program's lines from that move's line on.
    std::uint64_t resumeFrom = 0;
    // With a resume point: needle strokes made in place at the resume point, after the travel and
    // before the first resumed move, to lock the new thread. 0: none. Ignored without one.
    unsigned tieInStitches = 0;
    // mm the needle axis must allow (NeedlePlan::travel), stated in the header of a re-basing
    // profile's program; none leaves it out.
    std::optional<double> needleTravel;
};

}  // namespace tessaline
