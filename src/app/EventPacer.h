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
    EventPacer();
    void cycle();

private:
    void processEvents();

    QElapsedTimer clock_;
    std::int64_t owedNs_ = 0;           // wall time the cycles so far stand for
    std::int64_t lastEventsNs_ = 0;     // when pending events were last processed
};

}  // namespace tessaline
