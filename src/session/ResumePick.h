#pragma once
// Choosing the needle move a run resumes at: the stitch nearest a point of the preview, the move
// on the pane's caret line, or a number of moves back from the last one the machine confirmed.

#include "design/DstDecoder.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tessaline {

struct PickedStitch {
    std::uint64_t move = 0;  // the needle move, stitches and jumps counted from 1
    double x = 0;            // its point in drawing units (program coordinates, inverts applied)
    double y = 0;
};

// The stitch record nearest (x, y) in drawing units among the records walk hands on; the first
// of equally near ones. None for a design without stitches.
std::optional<PickedStitch> nearestStitch(const std::function<void(const RecordSink&)>& walk, double x, double y,
                                          bool invertX, bool invertY);

enum class ResumeWay { Picked, Caret, Back };

// What a resume can start from.
struct ResumeOffer {
    std::uint64_t moves = 0;          // the design's needle moves
    std::uint64_t lastConfirmed = 0;  // the last move the machine confirmed made, 0 for none
    std::optional<std::uint64_t> picked;  // the stitch picked on the preview
    std::optional<std::uint64_t> caret;   // the move on the pane's caret line
};

struct ResumeAnswer {
    ResumeWay way = ResumeWay::Back;
    std::uint64_t back = 3;  // Back: resume this many moves back, the last confirmed one being 1
    int tieIns = 0;
};

// The move the answer names, within 1 and the design's moves; none when its way offers none.
std::optional<std::uint64_t> resumeMoveOf(const ResumeOffer& offer, const ResumeAnswer& answer);

}  // namespace tessaline
