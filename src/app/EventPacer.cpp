#include "app/EventPacer.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace tessaline {

namespace {
constexpr std::int64_t kCycleNs = 1'000;
constexpr std::int64_t kSliceNs = 2'000'000;
}  // namespace

void EventPacer::WallClock::sleepNs(std::int64_t ns) { QThread::usleep(static_cast<unsigned long>(ns / 1000)); }

void EventPacer::WallClock::processEvents() { QCoreApplication::processEvents(); }

EventPacer::EventPacer() : clock_(wallClock_) { owedNs_ = lastEventsNs_ = clock_.nowNs(); }

EventPacer::EventPacer(Clock& clock) : clock_(clock) { owedNs_ = lastEventsNs_ = clock_.nowNs(); }

void EventPacer::processEvents() {
    clock_.processEvents();
    lastEventsNs_ = clock_.nowNs();
}

void EventPacer::cycle() {
    std::int64_t now = clock_.nowNs();
    // Time spent blocked (a message box, a busy machine) is no delay served: the schedule never
    // lags more than a slice behind, so the replay does not rush to make up for a stall.
    owedNs_ = std::max(owedNs_, now - kSliceNs) + kCycleNs;
    // Slow replays: wait out what the cycles owe, in slices, handling events between them.
    while (owedNs_ - now > kSliceNs) {
        clock_.sleepNs(std::min(owedNs_ - now, kSliceNs));
        processEvents();
        now = lastEventsNs_;
    }
    if (now - lastEventsNs_ >= kSliceNs) processEvents();
}

}  // namespace tessaline
