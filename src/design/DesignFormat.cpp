#include "design/DesignFormat.h"

#include "design/FormatReaders.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

namespace tessaline {

namespace {

struct FormatEntry {
    DesignFormat format;
    const char* name;
    const char* extension;
};

constexpr std::array<FormatEntry, 11> kFormats{{
    {DesignFormat::Dst, "DST", "dst"},
    {DesignFormat::Pes, "PES", "pes"},
    {DesignFormat::Pec, "PEC", "pec"},
    {DesignFormat::Jef, "JEF", "jef"},
    {DesignFormat::Exp, "EXP", "exp"},
    {DesignFormat::Vp3, "VP3", "vp3"},
    {DesignFormat::Xxx, "XXX", "xxx"},
    {DesignFormat::Hus, "HUS", "hus"},
    {DesignFormat::Sew, "SEW", "sew"},
    {DesignFormat::Shv, "SHV", "shv"},
    {DesignFormat::Pcs, "PCS", "pcs"},
}};

const FormatEntry& entry(DesignFormat format) {
    return *std::find_if(kFormats.begin(), kFormats.end(), [format](const auto& e) { return e.format == format; });
}

bool startsWith(std::span<const std::uint8_t> bytes, const char* signature) {
    const std::size_t length = std::strlen(signature);
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

std::string caseFolded(std::string text, int (*fold)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [fold](unsigned char c) { return static_cast<char>(fold(c)); });
    return text;
}

DecodedDesign readDst(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (bytes.size() < kDstHeaderBytes) {
        throw DesignFormatError("the file holds only " + std::to_string(bytes.size()) +
                                " bytes, too short to be a design (a DST header alone takes " +
                                std::to_string(kDstHeaderBytes) + ")");
    }
    DecodedDesign design;
    design.format = DesignFormat::Dst;
    design.figures = decodeDst(bytes, sink);
    return design;
}

}  // namespace

std::string_view formatName(DesignFormat format) { return entry(format).name; }

const std::vector<DesignFormat>& readableFormats() {
    static const std::vector<DesignFormat> formats = [] {
        std::vector<DesignFormat> all;
        for (const auto& e : kFormats) all.push_back(e.format);
        return all;
    }();
    return formats;
}

std::vector<std::string> formatExtensions(DesignFormat format) { return {entry(format).extension}; }

DesignFormat detectFormat(std::span<const std::uint8_t> bytes, const std::filesystem::path& path) {
    if (startsWith(bytes, "#PES")) return DesignFormat::Pes;
    if (startsWith(bytes, "#PEC")) return DesignFormat::Pec;
    if (startsWith(bytes, "%vsm%")) return DesignFormat::Vp3;
    if (startsWith(bytes, "\x5D\xFC\xC8") || startsWith(bytes, "\x5B\xAF\xC8")) return DesignFormat::Hus;
    if (startsWith(bytes, "Embroidery disk created using software licensed from Viking")) return DesignFormat::Shv;
    const std::string written = path.extension().string();
    if (written.empty()) return DesignFormat::Dst;
    const std::string extension = caseFolded(written.substr(1), ::tolower);
    for (const auto& e : kFormats) {
        if (extension == e.extension) return e.format;
    }
    // A DST header opens with its label field; any other file under a name no reader claims is
    // some other program's format, and read as DST it would show nonsense.
    if (startsWith(bytes, "LA:")) return DesignFormat::Dst;
    std::string known;
    for (const auto& e : kFormats) known += (known.empty() ? "" : ", ") + std::string(e.name);
    throw UnreadableDesignError(path, "the " + caseFolded(written.substr(1), ::toupper) + " format (" + written +
                                          ") is not one Tessaline reads; it reads " + known);
}

DecodedDesign decodeDesign(DesignFormat format, std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    switch (format) {
        case DesignFormat::Dst: return readDst(bytes, sink);
        case DesignFormat::Pes: return readPes(bytes, sink);
        case DesignFormat::Pec: return readPec(bytes, sink);
        case DesignFormat::Jef: return readJef(bytes, sink);
        case DesignFormat::Exp: return readExp(bytes, sink);
        case DesignFormat::Vp3: return readVp3(bytes, sink);
        case DesignFormat::Xxx: return readXxx(bytes, sink);
        case DesignFormat::Hus: return readHus(bytes, sink);
        case DesignFormat::Sew: return readSew(bytes, sink);
        case DesignFormat::Shv: return readShv(bytes, sink);
        case DesignFormat::Pcs: return readPcs(bytes, sink);
    }
    throw DesignFormatError("unknown design format");
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
