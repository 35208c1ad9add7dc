#include "design/FormatTable.h"

#include "design/FormatReaders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tessaline {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, const char* signature) {
    const std::size_t length = std::strlen(signature);
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

bool pesSignature(std::span<const std::uint8_t> bytes) { return startsWith(bytes, "#PES"); }
bool pecSignature(std::span<const std::uint8_t> bytes) { return startsWith(bytes, "#PEC"); }
bool vp3Signature(std::span<const std::uint8_t> bytes) { return startsWith(bytes, "%vsm%"); }
bool husSignature(std::span<const std::uint8_t> bytes) {
    return startsWith(bytes, "\x5D\xFC\xC8") || startsWith(bytes, "\x5B\xAF\xC8");
}
// Not every SHV file opens with this notice; those that do not are found by their extension.
bool shvSignature(std::span<const std::uint8_t> bytes) {
    return startsWith(bytes, "Embroidery disk created using software licensed from Viking");
}

constexpr std::string_view kDst[] = {"dst"};
constexpr std::string_view kPes[] = {"pes"};
constexpr std::string_view kPec[] = {"pec"};
constexpr std::string_view kJef[] = {"jef"};
constexpr std::string_view kExp[] = {"exp"};
constexpr std::string_view kVp3[] = {"vp3"};
constexpr std::string_view kXxx[] = {"xxx"};
constexpr std::string_view kHus[] = {"hus"};
constexpr std::string_view kSew[] = {"sew"};
constexpr std::string_view kShv[] = {"shv"};
constexpr std::string_view kPcs[] = {"pcs"};

constexpr bool kColours = true, kNoColours = false;
// DST and EXP count from the needle's start point; every other format is a home machine's.
constexpr bool kCentred = true, kAsInFile = false;

constexpr std::array<FormatRow, 11> kTable{{
    {DesignFormat::Dst, "DST", "Tajima", kDst, nullptr, readDst, kNoColours, "application/x-tajima-dst", kAsInFile},
    {DesignFormat::Pes, "PES", "Brother", kPes, pesSignature, readPes, kColours, "application/x-brother-pes", kCentred},
    {DesignFormat::Pec, "PEC", "Brother", kPec, pecSignature, readPec, kColours, "application/x-brother-pec", kCentred},
    {DesignFormat::Jef, "JEF", "Janome", kJef, nullptr, readJef, kColours, "application/x-janome-jef", kCentred},
    {DesignFormat::Exp, "EXP", "Melco", kExp, nullptr, readExp, kNoColours, "application/x-melco-exp", kAsInFile},
    {DesignFormat::Vp3, "VP3", "Husqvarna", kVp3, vp3Signature, readVp3, kColours, "application/x-pfaff-vp3", kCentred},
    {DesignFormat::Xxx, "XXX", "Singer", kXxx, nullptr, readXxx, kColours, "application/x-singer-xxx", kCentred},
    {DesignFormat::Hus, "HUS", "Husqvarna", kHus, husSignature, readHus, kColours, "application/x-husqvarna-hus", kCentred},
    {DesignFormat::Sew, "SEW", "Janome", kSew, nullptr, readSew, kColours, "application/x-janome-sew", kCentred},
    {DesignFormat::Shv, "SHV", "Husqvarna", kShv, shvSignature, readShv, kColours, "application/x-husqvarna-shv", kCentred},
    {DesignFormat::Pcs, "PCS", "Pfaff", kPcs, nullptr, readPcs, kColours, "application/x-pfaff-pcs", kCentred},
}};

constexpr bool rowsInEnumOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].format) != i) return false;
    }
    return true;
}
static_assert(rowsInEnumOrder(), "formatRow finds a row by its format's number");

}  // namespace

std::span<const FormatRow> formatTable() { return kTable; }

const FormatRow& formatRow(DesignFormat format) {
    const auto index = static_cast<std::size_t>(format);
    if (index >= kTable.size()) throw DesignFormatError("unknown design format");
    return kTable[index];
}

std::string formatSampleList(std::size_t count, FormatSample sample) {
    std::vector<std::string_view> makers;
    std::string list;
    for (const FormatRow& row : kTable) {
        if (count == 0) break;
        if (sample == FormatSample::OnePerMaker) {
            if (std::find(makers.begin(), makers.end(), row.maker) != makers.end()) continue;
            makers.push_back(row.maker);
        }
        list += std::string(row.name) + ", ";
        --count;
    }
    return list + "...";
}

}  // namespace tessaline
