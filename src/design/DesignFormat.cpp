#include "design/DesignFormat.h"

#include "design/FormatReaders.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

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

DecodedDesign readDst(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
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
    std::string extension = path.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& e : kFormats) {
        if (extension == e.extension) return e.format;
    }
    return DesignFormat::Dst;
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
