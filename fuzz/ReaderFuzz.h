#pragma once
// Shared body of the reader fuzz targets: any bytes must either decode or be refused with
// DesignFormatError, never crash or read outside the input, and the figures must agree with
// the records handed out.

#include "design/DesignFormat.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tessaline::fuzz {

inline void check(bool condition) {
    if (!condition) std::abort();
}

inline void decodeAndCheck(DesignFormat format, const std::vector<std::uint8_t>& bytes) {
    std::uint64_t handed = 0;
    std::uint64_t jumps = 0;
    std::uint64_t changes = 0;
    try {
        const DecodedDesign design = decodeDesign(format, bytes, [&](const DesignRecord& r) {
            check(r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump || r.kind == RecordKind::Trim ||
                  r.kind == RecordKind::ColourChange);
            check(std::isfinite(r.x) && std::isfinite(r.y));
            if (r.kind == RecordKind::Jump) ++jumps;
            if (r.kind == RecordKind::ColourChange) ++changes;
            ++handed;
        });
        const DesignFigures& f = design.figures;
        check(design.format == format);
        check(f.records == handed && handed >= 1);  // at least the end record
        check(f.jumps == jumps);
        check(f.colours == (changes <= 1 ? 1 : changes));
        check(f.minX <= f.maxX && f.minY <= f.maxY);
        check(std::fabs(f.width - (f.maxX - f.minX)) < 1e-6 && std::fabs(f.height - (f.maxY - f.minY)) < 1e-6);
    } catch (const DesignFormatError&) {
        check(true);
    }
}

// The input as a whole file, and after the format's signature so that the fuzzer starts past it.
inline void fuzzReader(DesignFormat format, const char* signature, const std::uint8_t* data, std::size_t size) {
    decodeAndCheck(format, std::vector<std::uint8_t>(data, data + size));
    if (signature != nullptr) {
        std::vector<std::uint8_t> signed_(signature, signature + std::strlen(signature));
        signed_.insert(signed_.end(), data, data + size);
        decodeAndCheck(format, signed_);
    }
}

}  // namespace tessaline::fuzz
