// Any bytes are a DST file to the decoder: it must not crash, and its figures must agree with
// the records it hands out.

#include "design/DstDecoder.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using tessaline::DesignFigures;
using tessaline::DesignRecord;
using tessaline::RecordKind;

void check(bool condition) {
    if (!condition) std::abort();
}

// Records read for a file of this size: one per first byte that lies before the last byte.
std::uint64_t expectedRecords(std::size_t size) { return size > 513 ? (size - 511) / 3 : 0; }

void decodeAndCheck(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t handed = 0;
    std::uint64_t jumps = 0;
    std::vector<DesignRecord> records;
    const DesignFigures f = tessaline::decodeDst(bytes, [&](const DesignRecord& r) {
        check(r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump || r.kind == RecordKind::ColourChange);
        if (r.kind == RecordKind::Jump) ++jumps;
        ++handed;
        records.push_back(r);
    });

    check(f.records == expectedRecords(bytes.size()));
    check(handed <= f.records);
    check(f.jumps == jumps);
    check(f.colours >= 1 && f.colours <= f.records + 1);
    check(std::isfinite(f.minX) && std::isfinite(f.maxX) && std::isfinite(f.minY) && std::isfinite(f.maxY));
    check(f.minX <= f.maxX && f.minY <= f.maxY);
    check(f.width == f.maxX - f.minX || std::fabs(f.width - (f.maxX - f.minX)) < 1e-9);
    check(f.height == f.maxY - f.minY || std::fabs(f.height - (f.maxY - f.minY)) < 1e-9);
    if (f.records == 0) check(f.minX == 0 && f.maxX == 0 && f.minY == 0 && f.maxY == 0);
    // Each record starts where an earlier move ended, so inside the extents; only the very
    // first record of the file may stand at the origin outside them.
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DesignRecord& r = records[i];
        const bool inside = r.x >= f.minX && r.x <= f.maxX && r.y >= f.minY && r.y <= f.maxY;
        check(inside || (i == 0 && r.x == 0 && r.y == 0));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as a whole file (short files, odd lengths) and as the records after a header.
    std::vector<std::uint8_t> file(data, data + size);
    decodeAndCheck(file);
    std::vector<std::uint8_t> withHeader(512, ' ');
    withHeader.insert(withHeader.end(), data, data + size);
    decodeAndCheck(withHeader);
    return 0;
}
