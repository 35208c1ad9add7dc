#include "session/ResumePick.h"

#include <algorithm>
#include <limits>

namespace tessaline {

std::optional<PickedStitch> nearestStitch(const std::function<void(const RecordSink&)>& walk, double x, double y,
                                          bool invertX, bool invertY) {
    std::optional<PickedStitch> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    std::uint64_t move = 0;
    walk([&](const DesignRecord& record) {
        if (record.kind != RecordKind::Stitch && record.kind != RecordKind::Jump) return;
        ++move;
        if (record.kind != RecordKind::Stitch) return;
        const double px = invertX ? -record.x : record.x;
        const double py = invertY ? -record.y : record.y;
        const double distance = (px - x) * (px - x) + (py - y) * (py - y);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = PickedStitch{move, px, py};
        }
    });
    return best;
}

std::optional<std::uint64_t> resumeMoveOf(const ResumeOffer& offer, const ResumeAnswer& answer) {
    if (offer.moves == 0) return std::nullopt;
    std::optional<std::uint64_t> move;
    switch (answer.way) {
    case ResumeWay::Picked: move = offer.picked; break;
    case ResumeWay::Caret: move = offer.caret; break;
    case ResumeWay::Back:
        // Back 1 is the last confirmed move itself, sewn again; before any, the first move.
        move = offer.lastConfirmed >= answer.back ? offer.lastConfirmed - answer.back + 1 : 1;
        break;
    }
    if (!move || *move == 0) return std::nullopt;
    return std::min(*move, offer.moves);
}

}  // namespace tessaline
