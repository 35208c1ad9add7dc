#pragma once
// Every design format the program reads: finding a file's format, and decoding its bytes into
// design records, figures and the thread list. No I/O here.

#include "design/DesignFile.h"
#include "design/DesignRecord.h"
#include "design/DstDecoder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

enum class DesignFormat { Dst, Pes, Pec, Jef, Exp, Vp3, Xxx, Hus, Sew, Shv, Pcs };

// One thread of the design's own list, in stitching order (one entry per colour block where the
// format stores one per block).
struct DesignThread {
    std::uint8_t red = 0, green = 0, blue = 0;
    std::string description;
    std::string catalogNumber;
    friend bool operator==(const DesignThread&, const DesignThread&) = default;
};

// Bytes that are not a well-formed file of the format they were read as; what() is the reason.
class DesignFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A design file whose content fits no reader or is damaged; what() is "<path>: <reason>".
class UnreadableDesignError : public DesignFileError {
public:
    using DesignFileError::DesignFileError;
};

struct DecodedDesign {
    DesignFormat format = DesignFormat::Dst;
    DesignFigures figures;
    std::vector<DesignThread> threads;  // empty when the format holds no colours (DST, EXP)
};

// Short upper-case name ("PES"); lower-case file extensions without the dot ("pes").
std::string_view formatName(DesignFormat format);
const std::vector<DesignFormat>& readableFormats();
std::vector<std::string> formatExtensions(DesignFormat format);

// The format of a file: its signature first (PES, PEC, VP3, HUS, an SHV notice), then its extension (either case);
// a file without an extension, or with a DST header under another, is read as DST. Throws
// UnreadableDesignError naming path when the extension names a format no reader reads.
DesignFormat detectFormat(std::span<const std::uint8_t> bytes, const std::filesystem::path& path);

// Decodes bytes as format, handing each record to sink (which may be empty) in stitching order.
// Throws DesignFormatError for bad input; whatever sink throws passes through.
DecodedDesign decodeDesign(DesignFormat format, std::span<const std::uint8_t> bytes, const RecordSink& sink);

// detectFormat, then decodeDesign; a DesignFormatError comes back as UnreadableDesignError naming path.
DecodedDesign decodeDesignFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                               const RecordSink& sink);

}  // namespace tessaline
