#pragma once
// Every design format the program reads, one row each. Detection, decoding, the format lists of
// the window and the command line and placement all read this table, and tests hold the
// packaging's file types to it: a new format is one row here and one reader in FormatReaders.h.

#include "design/DesignFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaline {

using FormatSignature = bool (*)(std::span<const std::uint8_t> bytes);
using FormatReader = DecodedDesign (*)(std::span<const std::uint8_t> bytes, const RecordSink& sink);

struct FormatRow {
    DesignFormat format;
    std::string_view name;                         // short upper-case name: "PES"
    std::string_view maker;                        // the brand the Open dialog names: "Brother"
    std::span<const std::string_view> extensions;  // lower case, without the dot
    FormatSignature signature;                     // opening bytes that are this format under any name; null when none
    FormatReader read;
    bool threadColours;                            // the file says which colours its threads are
    std::string_view mimeType;                     // the file type the desktop knows it by
    bool centredAutomatically;                     // a home machine's format, centred in its hoop
};

// The rows in the order the program lists formats; a file's signature is tried in this order.
std::span<const FormatRow> formatTable();
const FormatRow& formatRow(DesignFormat format);

// How a short list of names in a help text samples the table.
enum class FormatSample {
    Leading,     // the first formats in table order
    OnePerMaker  // the first format of each maker in turn
};

// "DST, PES, PEC, ...": count names picked as sample says, then ", ...".
std::string formatSampleList(std::size_t count, FormatSample sample);

}  // namespace tessaline
