#pragma once
// The G-code program of a design: header, one block per record, footer. Every line ends with
// CR LF. Written in a single pass; memory does not grow with the design.

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"

#include <memory>
#include <ostream>
#include <span>

namespace tessaline {

class GcodeWriter {
public:
    // Writes the header at once.
    GcodeWriter(const GcodeOptions& options, std::ostream& out);
    GcodeWriter(const GcodeWriter&) = delete;
    GcodeWriter& operator=(const GcodeWriter&) = delete;
    ~GcodeWriter();

    void add(const DesignRecord& record);
    // Writes the footer and flushes; call once after the last record.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

void generateGcode(const GcodeOptions& options, std::span<const DesignRecord> records, std::ostream& out);

}  // namespace tessaline
