#include "app/EventPacer.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace tessaline {

namespace {
constexpr std::int64_t kCycleNs = 1'000;
constexpr std::int64_t kSliceNs = 2'000'000;
}  // namespace

EventPacer::EventPacer() { clock_.start(); }

void EventPacer::processEvents() {
    QCoreApplication::processEvents();
    lastEventsNs_ = clock_.nsecsElapsed();
}

void EventPacer::cycle() {
    owedNs_ += kCycleNs;
    std::int64_t now = clock_.nsecsElapsed();
    // Slow replays: wait out what the cycles owe, in slices, handling events between them.
    while (owedNs_ - now > kSliceNs) {
        QThread::usleep(static_cast<unsigned long>(std::min(owedNs_ - now, kSliceNs) / 1000));
        processEvents();
        now = lastEventsNs_;
    }
    if (now - lastEventsNs_ >= kSliceNs) processEvents();
}

}  // namespace tessaline
