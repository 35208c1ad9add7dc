// Any bytes are an SHV file to its reader: refused with a reason or decoded, never a crash; the
// copy after the notice text starts the fuzzer at the design's name.

#include "ReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tessaline::fuzz::fuzzReader(tessaline::DesignFormat::Shv,
                                "Embroidery disk created using software licensed from Viking Sewing Machines AB, Sweden",
                                data, size);
    return 0;
}
