#pragma once
// The pacing of a draw pass: every cycle stands for one round of event processing and costs
// about a microsecond of wall time, so the speed slider's count is a delay. Pending events are
// processed at least every two milliseconds, which keeps the window live without paying the
// event loop's price on every one of the many cycles of a fast replay.

#include <QElapsedTimer>

#include <cstdint>

namespace tessaline {

class EventPacer {
public:
    // What the pacer waits with; the window's is the wall clock and the event loop.
    class Clock {
    public:
        virtual ~Clock() = default;
        virtual std::int64_t nowNs() = 0;
        virtual void sleepNs(std::int64_t ns) = 0;
        virtual void processEvents() = 0;
    };

    EventPacer();
    explicit EventPacer(Clock& clock);
    EventPacer(const EventPacer&) = delete;
    EventPacer& operator=(const EventPacer&) = delete;
    void cycle();

private:
    void processEvents();

    class WallClock : public Clock {
    public:
        WallClock() { timer_.start(); }
        std::int64_t nowNs() override { return timer_.nsecsElapsed(); }
        void sleepNs(std::int64_t ns) override;
        void processEvents() override;

    private:
        QElapsedTimer timer_;
    };

    WallClock wallClock_;
    Clock& clock_;
    std::int64_t owedNs_ = 0;           // wall time the cycles so far stand for
    std::int64_t lastEventsNs_ = 0;     // when pending events were last processed
};

}  // namespace tessaline
