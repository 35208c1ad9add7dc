// The replay's pacing: a stall (a message box left open) is not delay served.

#include "app/EventPacer.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

class FakeClock : public EventPacer::Clock {
public:
    std::int64_t nowNs() override { return now; }
    void sleepNs(std::int64_t ns) override {
        slept += ns;
        now += ns;
    }
    void processEvents() override { ++rounds; }

    std::int64_t now = 0;
    std::int64_t slept = 0;
    int rounds = 0;
};

TEST(EventPacerTest, CyclesAreServedAsDelayButAStallIsNotMadeUp) {
    FakeClock clock;
    EventPacer pacer(clock);
    for (int i = 0; i < 10'000; ++i) pacer.cycle();  // 10 ms of delay
    EXPECT_GE(clock.slept, 8'000'000);
    EXPECT_LE(clock.slept, 10'000'000);

    clock.now += 20'000'000'000;  // a message box held the pass for 20 s
    clock.slept = 0;
    for (int i = 0; i < 10'000; ++i) pacer.cycle();
    // Still most of the 10 ms for the next 10,000 cycles (at most a slice is forgiven): none rushes past.
    EXPECT_GE(clock.slept, 5'000'000);
    EXPECT_LE(clock.slept, 10'000'000);
    EXPECT_GT(clock.rounds, 0);
}

}  // namespace
}  // namespace tessaline
