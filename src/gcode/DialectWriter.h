#pragma once
// Words a plan for the options' machine profile: every code, prefix, comment form and line end
// of a program comes from here. Lines collect in a buffer that goes to the stream in chunks.

#include "gcode/GcodeOptions.h"
#include "gcode/MachineProfile.h"
#include "gcode/PlanOp.h"
#include "gcode/ProgramText.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tessaline {

class DialectWriter final : public PlanSink {
public:
    // Throws ProgramOptionError for a profile or feed that could put a line of its own into the program.
    DialectWriter(const GcodeOptions& options, std::ostream& out);

    void put(const PlanOp& op) override;

    const MachineProfile& profile() const { return p_; }

    // Lines written so far. Lines handed to the stream are counted only while keepCount is on.
    std::uint64_t lines();
    void keepCount(bool on) { keepCount_ = on; }

    // Hands the buffer to the stream.
    void drain();
    // Hands the buffer to the stream and flushes it.
    void flush() {
        drain();
        out_.flush();
    }

private:
    void line(std::string_view text);
    void lines(const std::vector<std::string>& texts, const PlanOp& op);
    std::string expand(std::string_view text, const PlanOp& op) const;
    void comment(std::string_view text);
    void feedLine(const PlanOp& op);
    std::string rebaseText(double position, const PlanOp& op) const;
    void xyWords(const std::string& prefix, const PlanOp& op);
    void header(const PlanOp& op);
    void footer();
    bool emits(std::string_view box) const;

    std::ostream& out_;
    std::shared_ptr<const MachineProfile> held_;
    const MachineProfile& p_;
    GcodeOptions options_;

    // Fixed pieces of the profile's lines, put together once.
    std::string eol_;
    CommentStyle commentStyle_;
    std::string movePrefix_;    // "G01 X"
    std::string rapidPrefix_;   // "G00 X"
    std::string axisWord_;      // " Z"
    std::string strokePrefix_;  // " \r\nG01 Z": end of the move line, start of the stroke line
    std::string lineTail_;      // " \r\n"

    std::string buffer_;
    bool keepCount_ = false;
    std::uint64_t linesCounted_ = 0;  // lines in the buffer up to countedTo_ and drained before it
    std::size_t countedTo_ = 0;
};

}  // namespace tessaline
