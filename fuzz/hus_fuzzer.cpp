// Any bytes are a HUS file to its reader: refused with a reason or decoded, never a crash; the
// signed copy lets the fuzzer reach the compressed streams.

#include "ReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tessaline::fuzz::fuzzReader(tessaline::DesignFormat::Hus, "\x5D\xFC\xC8", data, size);
    return 0;
}
