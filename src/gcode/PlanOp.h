#pragma once
// One step of a program's plan: what the needle and the machine do, in the order they do it,
// before any dialect words it. The planner hands ops to a PlanSink one at a time; transforms
// (a resumed program) and the dialect writer are sinks. An op is a small value: no op owns memory.

#include <cstdint>
#include <string_view>

namespace tessaline {

enum class PlanOpKind : std::uint8_t {
    Header,      // the header's code lines: the boxes the options and profile take, the profile's own
    Comment,     // a comment: `text`, or the profile's own comment for `note`
    LampOff,     // the lamp goes off as a jump or stitch run starts
    Feed,        // the stitch feed
    Travel,      // to x y with the needle held
    StitchMove,  // to x y with the needle's word z, then the needle's stroke to its word `stroke`
    JumpMove,    // a jump that strokes (the profile's jump_strokes), worded as a stitch move
    ColourStop,  // the machine stops for the next thread `colour`, the hoop at the change point x y
    TrimStop,    // the machine stops for the thread to be cut; the jumps of the trim run follow
    Rebase,      // declares the needle's number z
    Dwell,       // a pause of z seconds
    Progress,    // the program's progress: `percent`
    Footer,      // the footer's boxes and the profile's end code
};

// Which of the profile's comments a Comment op says; Text: the op's own text.
enum class PlanNote : std::uint8_t { Text, JumpRun, StitchRun, ColourChange };

struct PlanOp {
    PlanOpKind kind = PlanOpKind::Comment;
    PlanNote note = PlanNote::Text;
    int colour = 1;     // the thread sewn now; a ColourStop's is the thread that follows
    int percent = -1;   // the progress last stated, -1 before the first
    std::uint64_t move = 0;  // Travel, StitchMove, JumpMove: the design's needle move; 0 = not one
    double x = 0;
    double y = 0;
    double z = 0;       // StitchMove, JumpMove: the move's needle word; Rebase: the number declared;
                        // Dwell: seconds
    double stroke = 0;  // StitchMove, JumpMove: the stroke's needle word, where the needle then stands
    std::string_view text;  // a Comment's text: valid only while the op is being taken

    // Ops that move the hoop for one of the design's needle moves.
    bool isNeedleMove() const { return move != 0; }
};

class PlanSink {
public:
    virtual void put(const PlanOp& op) = 0;

protected:
    ~PlanSink() = default;
};

}  // namespace tessaline
