#pragma once
// The G-code program of a design: header, one block per record, footer. Every line ends with
// CR LF. Written in a single pass; memory does not grow with the design.

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <stdexcept>

namespace tessaline {

class GcodeWriter {
public:
    // Writes the header at once.
    GcodeWriter(const GcodeOptions& options, std::ostream& out);
    GcodeWriter(const GcodeWriter&) = delete;
    GcodeWriter& operator=(const GcodeWriter&) = delete;
    ~GcodeWriter();

    // listener hears, for every needle move from now on that the program holds (a resumed one:
    // from its resume point), its number and the 1-based line number of its move line in the
    // program (the header counted).
    void onNeedleMoveLine(std::function<void(std::uint64_t move, std::uint64_t line)> listener);

    void add(const DesignRecord& record);
    // Writes the footer and flushes; call once after the last record. Throws ResumePointError
    // when options.resumeFrom lies past the last needle move.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Options the program cannot be written with: a feed that is not a number, or a profile whose
// texts could start program lines of their own. Front ends check first; this is the backstop.
class ProgramOptionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A resumed program asked for a needle move the design does not have.
class ResumePointError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A short program in the same dialect and with the same header: the needle held, a travel to
// each corner of the design's extents with a dwell there, then back to the start; no needle word.
void writeOutlineTrace(const GcodeOptions& options, const DesignFigures& extents, double dwellSeconds,
                       std::ostream& out);
// The notes of every outline trace, whichever front end writes it.
inline constexpr const char* kOutlineTraceNotes = "Outline trace";

void generateGcode(const GcodeOptions& options, std::span<const DesignRecord> records, std::ostream& out);

}  // namespace tessaline
