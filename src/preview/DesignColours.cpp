#include "preview/DesignColours.h"

#include "preview/ThreadColour.h"

namespace tessaline {

QColor DesignColours::colour(int number) const {
    if (!useDesignThreads_ || threads_.empty() || number < 1) return threadQColor(number);
    return threads_[static_cast<std::size_t>(number - 1) % threads_.size()];
}

std::vector<QColor> threadColours(const std::vector<DesignThread>& threads) {
    std::vector<QColor> colours;
    colours.reserve(threads.size());
    for (const DesignThread& t : threads) colours.emplace_back(t.red, t.green, t.blue);
    return colours;
}

QColor threadColourOf(const DesignColours* colours, int number) {
    return colours ? colours->colour(number) : threadQColor(number);
}

}  // namespace tessaline
