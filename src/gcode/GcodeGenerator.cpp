#include "gcode/GcodeGenerator.h"

#include "gcode/DialectWriter.h"
#include "gcode/OutlineTrace.h"
#include "gcode/PlanPipeline.h"

#include <optional>
#include <utility>

namespace tessaline {

namespace {

// Tells the listener each needle move's line on the way to the writer.
class MoveLineTap final : public PlanSink {
public:
    MoveLineTap(DialectWriter& writer, std::function<void(std::uint64_t, std::uint64_t)> listener)
        : writer_(writer), listener_(std::move(listener)) {}

    void put(const PlanOp& op) override {
        if (op.isNeedleMove()) listener_(op.move, writer_.lines() + 1);
        writer_.put(op);
    }

private:
    DialectWriter& writer_;
    std::function<void(std::uint64_t, std::uint64_t)> listener_;
};

}  // namespace

// The plan goes from the pipeline to the writer, through the tap while there is a listener.
struct GcodeWriter::State {
    GcodeOptions options;
    DialectWriter writer;
    PlanPipeline pipeline;
    std::optional<MoveLineTap> tap;
    bool finished = false;

    State(const GcodeOptions& given, std::ostream& out)
        : options(given), writer(options, out), pipeline(options, writer.profile(), writer) {}
};

GcodeWriter::GcodeWriter(const GcodeOptions& options, std::ostream& out)
    : state_(std::make_unique<State>(options, out)) {
    state_->pipeline.header();
    state_->writer.lines();  // a needle-move listener set later counts from the header's end
    state_->writer.drain();
}

GcodeWriter::~GcodeWriter() {
    // A writer abandoned before finish() still hands over the lines it was given, so the
    // stream never ends in the middle of a line; stream errors stay on the stream's state.
    if (!state_->finished) {
        try {
            state_->writer.drain();
        } catch (...) {
        }
    }
}

void GcodeWriter::onNeedleMoveLine(std::function<void(std::uint64_t move, std::uint64_t line)> listener) {
    State& s = *state_;
    s.writer.keepCount(static_cast<bool>(listener));
    if (listener) {
        s.tap.emplace(s.writer, std::move(listener));
        s.pipeline.sendTo(*s.tap);
    } else {
        s.pipeline.sendTo(s.writer);
        s.tap.reset();
    }
}

void GcodeWriter::add(const DesignRecord& record) { state_->pipeline.add(record); }

void GcodeWriter::finish() {
    State& s = *state_;
    if (s.finished) return;
    s.finished = true;
    s.pipeline.finish();
    s.writer.flush();
}

void writeOutlineTrace(const GcodeOptions& options, const DesignFigures& extents, double dwellSeconds,
                       std::ostream& out) {
    GcodeOptions traced = options;
    traced.resumeFrom = 0;
    traced.recordCount = 0;
    traced.needleTravel.reset();
    DialectWriter writer(traced, out);
    planOutlineTrace(traced, writer.profile(), extents, dwellSeconds, writer);
    writer.flush();
}

void generateGcode(const GcodeOptions& options, std::span<const DesignRecord> records, std::ostream& out) {
    GcodeWriter writer(options, out);
    for (const DesignRecord& record : records) writer.add(record);
    writer.finish();
}

}  // namespace tessaline
