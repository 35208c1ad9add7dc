#include "design/DesignFormat.h"

#include "design/FormatTable.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace tessaline {

namespace {

std::string caseFolded(std::string text, int (*fold)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [fold](unsigned char c) { return static_cast<char>(fold(c)); });
    return text;
}

}  // namespace

std::string_view formatName(DesignFormat format) { return formatRow(format).name; }

const std::vector<DesignFormat>& readableFormats() {
    static const std::vector<DesignFormat> formats = [] {
        std::vector<DesignFormat> all;
        for (const FormatRow& row : formatTable()) all.push_back(row.format);
        return all;
    }();
    return formats;
}

std::vector<std::string> formatExtensions(DesignFormat format) {
    const auto extensions = formatRow(format).extensions;
    return {extensions.begin(), extensions.end()};
}

DesignFormat detectFormat(std::span<const std::uint8_t> bytes, const std::filesystem::path& path) {
    for (const FormatRow& row : formatTable()) {
        if (row.signature && row.signature(bytes)) return row.format;
    }
    const std::string written = path.extension().string();
    if (written.empty()) return DesignFormat::Dst;
    const std::string extension = caseFolded(written.substr(1), ::tolower);
    for (const FormatRow& row : formatTable()) {
        if (std::find(row.extensions.begin(), row.extensions.end(), extension) != row.extensions.end()) return row.format;
    }
    // A DST header opens with its label field; any other file under a name no reader claims is
    // some other program's format, and read as DST it would show nonsense.
    if (bytes.size() >= 3 && bytes[0] == 'L' && bytes[1] == 'A' && bytes[2] == ':') return DesignFormat::Dst;
    std::string known;
    for (const FormatRow& row : formatTable()) known += (known.empty() ? "" : ", ") + std::string(row.name);
    throw UnreadableDesignError(path, "the " + caseFolded(written.substr(1), ::toupper) + " format (" + written +
                                          ") is not one Tessaline reads; it reads " + known);
}

DecodedDesign decodeDesign(DesignFormat format, std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    return formatRow(format).read(bytes, sink);
}

DecodedDesign decodeDesignFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                               const RecordSink& sink) {
    const DesignFormat format = detectFormat(bytes, path);
    try {
        return decodeDesign(format, bytes, sink);
    } catch (const DesignFormatError& e) {
        throw UnreadableDesignError(path, "not a readable " + std::string(formatName(format)) + " design: " + e.what());
    }
}

}  // namespace tessaline
