// Streaming a long program to the grbl stand-in paced as a real link: 115200 baud (about 11.5 kB/s
// each way) and a table that finishes 400 lines a second. Reports the sender's CPU time per line,
// its share of one core at that pace (the goal: under 5 %), and the milliseconds in which the
// controller's receive buffer held no whole line while lines were left to send (the goal: none).

#include "ControllerStandIns.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "machine/ControllerStream.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <deque>
#include <sstream>

namespace tessaline {
namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string grblProgram(int stitches) {
    std::vector<DesignRecord> records;
    for (int i = 0; i < stitches; ++i) {
        if (i % 20'000 == 0 && i > 0) records.push_back({RecordKind::ColourChange, 0, 0});
        records.push_back({RecordKind::Stitch, (i % 900) * 0.1 - 45, ((i / 900) % 900) * 0.1 - 45});
    }
    GcodeOptions options;
    options.profile = std::make_shared<const MachineProfile>(builtinProfiles()[1]);
    std::ostringstream out;
    generateGcode(options, records, out);
    return out.str();
}

void BM_StreamToPacedGrbl(benchmark::State& state) {
    const std::string program = grblProgram(static_cast<int>(state.range(0)));
    constexpr double kBytesPerMs = 11.52;   // 115200 baud, 10 bits a byte
    constexpr double kMsPerLine = 2.5;      // 400 lines a second
    double cpu = 0;
    std::size_t lines = 0;
    std::size_t starvedMs = 0;
    for (auto _ : state) {
        test::GrblStandIn machine;
        std::deque<char> toMachine, toHost;
        double credit = 0, nextLine = 0;
        ControllerStream stream(streamLines(program, LinkProtocol::Grbl), StreamSettings{},
                                [&toMachine](std::string_view bytes) { toMachine.insert(toMachine.end(), bytes.begin(), bytes.end()); },
                                {});
        const auto timed = [&cpu](const auto& call) {
            const double start = threadCpuSeconds();
            call();
            cpu += threadCpuSeconds() - start;
        };
        timed([&] { stream.start(0); });
        for (double ms = 1; stream.stopReason() == StreamStop::None; ++ms) {
            // The wire carries a millisecond's bytes each way.
            credit += kBytesPerMs;
            std::string in, out;
            for (; credit >= 1 && (!toMachine.empty() || !toHost.empty()); credit -= 1) {
                if (!toMachine.empty()) in.push_back(toMachine.front()), toMachine.pop_front();
                if (!toHost.empty()) out.push_back(toHost.front()), toHost.pop_front();
            }
            if (toMachine.empty() && toHost.empty()) credit = std::min(credit, kBytesPerMs);
            machine.receive(in);
            if (ms >= nextLine) {
                // After the first 100 ms: until the planner has filled, the wire, not the sender,
                // sets how fast lines arrive.
                machine.expectingLines = ms > 100 && stream.sentCount() < stream.lines().size();
                machine.step();
                nextLine += kMsPerLine;
            }
            toHost.insert(toHost.end(), machine.output.begin(), machine.output.end());
            machine.output.clear();
            timed([&] {
                stream.received(out, ms / 1000);
                stream.tick(ms / 1000);
            });
            if (machine.held()) timed([&] { stream.resume(); });
        }
        lines += stream.lines().size();
        starvedMs += machine.starvedSteps;
    }
    state.counters["cpu_us_per_line"] = cpu / static_cast<double>(lines) * 1e6;
    state.counters["core_percent_at_400_lines_s"] = cpu / static_cast<double>(lines) * 400 * 100;
    state.counters["starved_steps"] = static_cast<double>(starvedMs) / static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_StreamToPacedGrbl)->Arg(20'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tessaline

BENCHMARK_MAIN();
