// Speed of writing G-code programs: the generator alone, the generator behind the atomic file
// writer, and `tessaline-cli convert -o` as it runs, from the design file to the program file.
// RawWrite writes the same number of bytes the way `dd bs=1M` does and is the yardstick: the
// goal is at most ~4x its time.

#include "DstTestEncoder.h"
#include "common/AtomicFile.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/ScratchProgram.h"
#include "session/Session.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <streambuf>
#include <vector>

#include <unistd.h>

namespace tessaline {
namespace {

constexpr int kRecords = 1'000'000;

std::filesystem::path scratchPath(const char* name) {
    return std::filesystem::temp_directory_path() /
           (std::string("tessaline-bench-") + name + "-" + std::to_string(::getpid()) + ".gc");
}

// A design shaped like real ones: long stitch runs, a jump every hundred records, a colour
// change every ten thousand, coordinates in tenths of a millimetre over a 20 cm field.
std::vector<DesignRecord> designRecords() {
    std::vector<DesignRecord> records;
    records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const RecordKind kind = i % 10'000 == 9'999 ? RecordKind::ColourChange
                                : i % 100 == 0      ? RecordKind::Jump
                                                    : RecordKind::Stitch;
        records.push_back({kind, (i * 37 % 2001 - 1000) / 10.0, -(i * 53 % 1999 - 999) / 10.0});
    }
    return records;
}

test::DstTestEncoder designFile() {
    test::DstTestEncoder encoder;
    for (int i = 0; i < kRecords - 1; ++i) {
        if (i % 10'000 == 9'999) encoder.colourChange();
        else if (i % 100 == 0) encoder.jump(i % 2 ? 121 : -121, 60);
        else encoder.stitch(i % 41 - 20, (i / 41) % 2 ? 17 : -17);
    }
    encoder.end();
    return encoder;
}

std::int64_t fileSize(const std::filesystem::path& path) {
    return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

// Swallows everything: the generator's own cost, without the file system.
class DiscardBuffer : public std::streambuf {
public:
    std::int64_t written = 0;

protected:
    int_type overflow(int_type ch) override {
        ++written;
        return traits_type::not_eof(ch);
    }
    std::streamsize xsputn(const char*, std::streamsize count) override {
        written += count;
        return count;
    }
};

void BM_GenerateInMemory(benchmark::State& state) {
    const auto records = designRecords();
    DiscardBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) generateGcode(GcodeOptions{}, records, out);
    state.SetBytesProcessed(sink.written);
}
BENCHMARK(BM_GenerateInMemory)->Unit(benchmark::kMillisecond);

// The same with each built-in profile (0 is Classic, as above); the goal is at most 1.5x Classic.
void BM_GenerateInMemoryWithProfile(benchmark::State& state) {
    const auto records = designRecords();
    const auto& profile = builtinProfiles().at(static_cast<std::size_t>(state.range(0)));
    GcodeOptions options;
    options.profile = std::make_shared<const MachineProfile>(profile);
    options.recordCount = records.size();
    DiscardBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) generateGcode(options, records, out);
    state.SetBytesProcessed(sink.written);
    state.SetLabel(profile.name);
}
BENCHMARK(BM_GenerateInMemoryWithProfile)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_GenerateToFile(benchmark::State& state) {
    const auto records = designRecords();
    const auto path = scratchPath("generate");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        generateGcode(GcodeOptions{}, records, out);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_GenerateToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GenerateToAtomicFile(benchmark::State& state) {
    const auto records = designRecords();
    const auto path = scratchPath("atomic");
    for (auto _ : state) {
        writeFileAtomically(path, [&](std::ostream& out) { generateGcode(GcodeOptions{}, records, out); });
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_GenerateToAtomicFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// `tessaline-cli convert -o` as it runs: the design file opened as a session (read, decoded for
// its figures and needle plan), the choices checked, then decoded again straight into the writer.
void BM_DecodeAndGenerateToFile(benchmark::State& state) {
    const auto design = scratchPath("design");
    {
        const auto bytes = designFile().bytes();
        std::ofstream(design.string() + ".dst", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const auto path = scratchPath("convert");
    for (auto _ : state) {
        const DesignSession session = DesignSession::open(design.string() + ".dst", Placement::Automatic);
        saveProgram(session, programOptions(session, ProgramChoices{}), path);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    std::filesystem::remove(path);
    std::filesystem::remove(design.string() + ".dst");
}
BENCHMARK(BM_DecodeAndGenerateToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: the same byte count as one program of kRecords, written in 1 MiB blocks.
void BM_RawWrite(benchmark::State& state) {
    const auto records = designRecords();
    const auto sizing = scratchPath("sizing");
    {
        std::ofstream out(sizing, std::ios::binary);
        generateGcode(GcodeOptions{}, records, out);
    }
    const std::int64_t total = fileSize(sizing);
    std::filesystem::remove(sizing);

    const std::vector<char> block(1 << 20, '\0');
    const auto path = scratchPath("raw");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (std::int64_t left = total; left > 0; left -= static_cast<std::int64_t>(block.size())) {
            out.write(block.data(), std::min<std::streamsize>(left, static_cast<std::streamsize>(block.size())));
        }
    }
    state.SetBytesProcessed(state.iterations() * total);
    std::filesystem::remove(path);
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessaline

BENCHMARK_MAIN();
