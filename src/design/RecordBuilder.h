#pragma once
// Turns the relative moves and commands of a design file into design records (kind plus START
// point) and keeps the figures the way the DST reader counts them. Units are 0.1 mm unless a
// format counts in others; y down.

#include "design/DesignFormat.h"
#include "design/DesignRecord.h"
#include "design/DstDecoder.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace tessaline {

class RecordBuilder {
public:
    explicit RecordBuilder(const RecordSink& sink, double unitsPerMm = 10.0) : sink_(sink), unitsPerMm_(unitsPerMm) {}

    void stitch(std::int64_t dx, std::int64_t dy) { add(RecordKind::Stitch, dx, dy); }
    void jump(std::int64_t dx, std::int64_t dy) { add(RecordKind::Jump, dx, dy); }
    void trim() { add(RecordKind::Trim, 0, 0); }
    void colourChange() { add(RecordKind::ColourChange, 0, 0); }
    // The end-of-design record, a colour change as in DST, so the colour count agrees.
    void end() { add(RecordKind::ColourChange, 0, 0); }

    std::int64_t x() const { return x_; }
    std::int64_t y() const { return y_; }
    std::uint64_t records() const { return tally_.records; }

    DesignFigures figures() const { return tally_.figures(unitsPerMm_); }

private:
    double mm(std::int64_t units) const { return static_cast<double>(units) / unitsPerMm_; }

    void add(RecordKind kind, std::int64_t dx, std::int64_t dy) {
        // A file of the largest size cannot hold more at any format's densest; a design that
        // claims more is damaged, and is refused before its records flood the sink.
        if (tally_.records == kMaxDesignRecords) {
            throw DesignFormatError("the design holds more than " + std::to_string(kMaxDesignRecords) +
                                    " records, more than any DST design can");
        }
        if (sink_) sink_(DesignRecord{kind, mm(x_), mm(y_)});
        if (kind == RecordKind::Jump) ++tally_.jumps;
        if (kind == RecordKind::ColourChange) ++tally_.boundaries;
        x_ += dx;
        y_ += dy;
        tally_.reached(x_, y_);
    }

    const RecordSink& sink_;
    double unitsPerMm_;
    std::int64_t x_ = 0, y_ = 0;
    FigureTally tally_;
};

}  // namespace tessaline
