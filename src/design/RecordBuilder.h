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
    std::uint64_t records() const { return records_; }

    DesignFigures figures() const {
        DesignFigures f;
        f.records = records_;
        f.jumps = jumps_;
        f.colours = boundaries_ <= 2 ? 1 : boundaries_ - 1;
        f.minX = mm(minX_);
        f.minY = mm(minY_);
        f.maxX = mm(maxX_);
        f.maxY = mm(maxY_);
        f.width = mm(maxX_ - minX_);
        f.height = mm(maxY_ - minY_);
        return f;
    }

private:
    double mm(std::int64_t units) const { return static_cast<double>(units) / unitsPerMm_; }

    void add(RecordKind kind, std::int64_t dx, std::int64_t dy) {
        // A file of the largest size cannot hold more at any format's densest; a design that
        // claims more is damaged, and is refused before its records flood the sink.
        if (records_ == kMaxDesignRecords) {
            throw DesignFormatError("the design holds more than " + std::to_string(kMaxDesignRecords) +
                                    " records, more than any DST design can");
        }
        if (sink_) sink_(DesignRecord{kind, mm(x_), mm(y_)});
        if (kind == RecordKind::Jump) ++jumps_;
        if (kind == RecordKind::ColourChange) ++boundaries_;
        x_ += dx;
        y_ += dy;
        if (records_ == 0) {
            minX_ = maxX_ = x_;
            minY_ = maxY_ = y_;
        } else {
            minX_ = std::min(minX_, x_);
            maxX_ = std::max(maxX_, x_);
            minY_ = std::min(minY_, y_);
            maxY_ = std::max(maxY_, y_);
        }
        ++records_;
    }

    const RecordSink& sink_;
    double unitsPerMm_;
    std::int64_t x_ = 0, y_ = 0;
    std::int64_t minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    std::uint64_t records_ = 0;
    std::uint64_t jumps_ = 0;
    std::uint64_t boundaries_ = 1;
};

}  // namespace tessaline
