// Any bytes are a SEW file to its reader: refused with a reason or decoded, never a crash.

#include "ReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tessaline::fuzz::fuzzReader(tessaline::DesignFormat::Sew, nullptr, data, size);
    return 0;
}
