#pragma once
// A design's program as it is sent to a machine, with where each needle move starts in it and
// which colour it sews, so a front end can count stitches, name threads and say where to resume.

#include "design/DesignFormat.h"
#include "design/DstDecoder.h"
#include "gcode/GcodeOptions.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessaline {

// A stop in the program where the machine waits for a person.
struct PlanStop {
    std::uint64_t line = 0;  // 1-based program line of the stop's first code line
    bool colour = true;      // false: a trim stop
    int nextColour = 1;      // the thread sewn after it
};

struct SendPlan {
    std::string text;                      // the program, as Save Gcode writes it for the options
    std::uint64_t firstMove = 1;           // the needle move the program starts at
    std::vector<std::uint64_t> moveLines;  // index k: program line of needle move firstMove + k
    std::vector<int> moveColours;          // index k: its colour, counted from 1
    std::vector<bool> moveJumps;           // index k: the move is a jump, not a stitch
    int colours = 1;
    std::vector<PlanStop> stops;           // in program order
};

// Generates the program of the records walk hands on; the needle travel is planned first unless
// options carry it. Throws what the generator throws (NeedleRangeError) and what walk throws.
SendPlan planSend(const GcodeOptions& options, const std::function<void(const RecordSink&)>& walk);

// Needle moves the machine has finished while it carries out program line `line`.
std::uint64_t movesDone(const SendPlan& plan, std::uint64_t line);
// The colour of the move after those done at `line`: the thread a stop there waits for.
int nextColour(const SendPlan& plan, std::uint64_t line);
// The needle move to resume at after a run ended at `line`, counted in the whole design.
std::uint64_t resumeMove(const SendPlan& plan, std::uint64_t line);
// The plan's stop the machine waits at while it carries out program line `line` (no needle move
// between the stop's first line and it), or none.
const PlanStop* stopAt(const SendPlan& plan, std::uint64_t line);

// "Thread N", with the design's description and catalogue number where it has them.
std::string threadText(const std::vector<DesignThread>& threads, int colour);

}  // namespace tessaline
