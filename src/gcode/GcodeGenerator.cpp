#include "gcode/GcodeGenerator.h"

#include "common/NumberFormat.h"
#include "common/Version.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/FeedText.h"
#include "gcode/MachineProfile.h"
#include "gcode/ProgramText.h"
#include "gcode/NeedlePlan.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

namespace {

// Lines collect in memory and go to the stream in chunks of about this size: one ostream call
// per chunk instead of several per line keeps generation close to raw disk speed.
constexpr std::size_t kChunk = 64 * 1024;
// Room for one record's lines past a full chunk, so the buffer does not grow in practice.
constexpr std::size_t kLineReserve = 256;

// Program numbers carry at most 0.001 mm: thirds of 0.1 mm would otherwise fill 15 digits.
constexpr int kProgramDecimals = 3;

constexpr std::string_view kHeaderBoxes[] = {"G90", "G21", "G64"};
constexpr std::string_view kFooterBoxes[] = {"M786", "M02", "M30"};

// "M02" and "M2" are the same code.
std::string canonicalCode(std::string_view code) {
    if (code.empty()) return {};
    std::string canonical(1, static_cast<char>(std::toupper(static_cast<unsigned char>(code.front()))));
    canonical += codeNumber(code);
    return canonical;
}

}  // namespace

struct GcodeWriter::State {
    std::ostream& out;
    std::shared_ptr<const MachineProfile> held;
    const MachineProfile& p;
    GcodeOptions options;

    // Fixed pieces of the profile's lines, put together once.
    std::string eol;
    CommentStyle commentStyle;
    std::string movePrefix;     // "G01 X"
    std::string rapidPrefix;    // "G00 X"
    std::string axisWord;       // " Z"
    std::string strokePrefix;   // " \r\nG01 Z": end of the move line, start of the stroke line
    std::string lineTail;       // " \r\n"

    // Run state: all a later program starting at some record has to know about the ones before.
    NeedleAxis axis;  // the needle's number is a count of steps times the step: a product, so no drift
    std::vector<DesignRecord> coloursDue;  // colour changes whose stop waits for a needle move
    bool jumpRun = false;
    bool stitchRun = false;
    bool feedDue = false;      // a travel at its own feed went before; the stitch feed is due
    int colour = 1;
    struct PendingJump {
        DesignRecord record;
        std::uint64_t move;  // its needle move number
    };
    std::vector<PendingJump> pendingJumps;  // a jump run not yet known to be a trim
    bool trimDue = false;                   // the design cut the thread: the next jump run is a trim
    std::uint64_t needleMoves = 0;          // stitch and jump records so far
    bool skipping = false;                  // resuming: lines are made for the state, then dropped
    std::function<void(std::uint64_t, std::uint64_t)> moveLines;  // told each needle move's line
    std::uint64_t headerLines = 0;          // where a resumed program's own lines start
    std::uint64_t linesCounted = 0;         // lines in the buffer up to countedTo and drained before it
    std::size_t countedTo = 0;
    std::size_t recordsSeen = 0;
    int percent = -1;

    bool finished = false;
    std::string buffer;

    State(const GcodeOptions& given, std::ostream& stream)
        : out(stream),
          held(given.profile),
          p(held ? *held : classicProfile()),
          options(given),
          axis(p, given.zStep) {
        buffer.reserve(kChunk + kLineReserve);
        refuseUnsafe();
        eol = p.lineEnd;
        commentStyle = CommentStyle::of(p);
        const std::string_view blank = p.trailingBlank ? " " : "";
        movePrefix.append(p.moveCode).append(" X");
        rapidPrefix.append(p.rapidCode).append(" X");
        axisWord.append(" ").append(p.needleAxis);
        strokePrefix.append(blank).append(eol).append(p.moveCode).append(" ").append(p.needleAxis);
        lineTail.append(blank).append(eol);
    }

    // A profile or feed that could put a line of its own into the program is refused here too,
    // whatever the caller checked: nothing gets past the one writer.
    void refuseUnsafe() const {
        if (const auto problem = profileProblem(p)) {
            throw ProgramOptionError("the machine profile \"" + p.name + "\" cannot be used: field '" +
                                     problem->field + "': " + problem->reason);
        }
        if (const auto problem = feedTextProblem(options.feedText)) throw ProgramOptionError(*problem);
    }

    void line(std::string_view text) {
        buffer.append(text);
        buffer.append(eol);
    }

    void lines(const std::vector<std::string>& texts) {
        for (const auto& text : texts) line(expand(text));
    }

    // Fills in {colour}, {axis} and {percent}.
    std::string expand(std::string_view text) const {
        std::string result;
        while (!text.empty()) {
            const std::size_t brace = text.find('{');
            result.append(text.substr(0, brace));
            if (brace == std::string_view::npos) break;
            text.remove_prefix(brace);
            const std::size_t end = text.find('}');
            const std::string_view key = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
            if (key == "{colour}") result += formatInteger(colour);
            else if (key == "{axis}") result += p.needleAxis;
            else if (key == "{percent}") result += formatInteger(percent);
            else result.append(key);
            text.remove_prefix(key.size());
        }
        return result;
    }

    // Every text that is not the generator's own goes into a comment through the one function
    // that keeps it there.
    void comment(std::string_view text) { appendComment(buffer, text, commentStyle, p.comments); }

    void feedLine(std::string_view feed) {
        const std::string_view form = p.feedLine;
        const std::size_t at = form.find("{feed}");
        buffer.append(expand(form.substr(0, at)));
        if (at != std::string_view::npos) {
            buffer.append(feed);  // a number: checked when the writer was made
            buffer.append(expand(form.substr(at + 6)));
        }
        buffer.append(eol);
    }

    void appendZ() { appendRounded(buffer, axis.advance(), kProgramDecimals); }

    // The profile's re-base, declaring the needle's number; a re-base line without {position}
    // declares 0, so a resume then says it in G92's words.
    std::string rebaseText(double position) const {
        std::string text = p.rebaseLine;
        const std::string number = formatRounded(position, kProgramDecimals);
        constexpr std::string_view key = "{position}";
        const std::size_t at = text.find(key);
        if (at == std::string::npos) {
            if (position != 0) text = "G92 {axis}" + number;
        } else {
            text.replace(at, key.size(), number);
        }
        return expand(text);
    }

    void rebase() {
        line(rebaseText(0));
        axis.rebase();
    }

    // "X<x> Y<y>" after a prefix that ends in "X".
    void xyWords(const std::string& prefix, const DesignRecord& record) {
        buffer.append(prefix);
        appendRounded(buffer, options.invertX ? -record.x : record.x, kProgramDecimals);
        buffer.append(" Y");
        appendRounded(buffer, options.invertY ? -record.y : record.y, kProgramDecimals);
    }

    // Lines so far; each byte is looked at once.
    std::uint64_t countLines() {
        linesCounted += static_cast<std::uint64_t>(std::count(buffer.begin() + static_cast<std::ptrdiff_t>(countedTo), buffer.end(), '\n'));
        countedTo = buffer.size();
        return linesCounted;
    }

    // Where a resumed program joins the whole one: at the move line of needle move resumeFrom.
    void joinIfResumePoint(const DesignRecord& record, std::uint64_t move) {
        if (skipping && move == options.resumeFrom) join(record, move);
        if (moveLines && !skipping) moveLines(move, countLines() + 1);
    }

    void join(const DesignRecord& record, std::uint64_t move) {
        buffer.clear();  // all since the header belongs to the moves before
        countedTo = 0;
        linesCounted = headerLines;
        skipping = false;
        comment("RESUME AT NEEDLE MOVE " + formatUnsigned(move) + "- Thread Color " +
                formatInteger(colour));
        // At every needle move the run's lamp-off has been given.
        if (!p.lampOff.empty()) line(p.lampOff);
        if (p.travelFeed.empty()) {
            xyWords(rapidPrefix, record);
            buffer.append(lineTail);
        } else {
            xyWords(movePrefix, record);
            buffer.append(" F");
            buffer.append(p.travelFeed);
            buffer.append(lineTail);
            feedLine(options.feedText);
        }
        // The needle stands at a whole stroke cycle, as in the whole program before this move's
        // line: declared so, every later line strokes exactly as there. The profile's own re-base
        // says it, so that machine and program agree.
        line(rebaseText(axis.standing()));
    }

    // Move line then stroke line; each needle word is followed by one advance of the drive.
    void moveAndStroke(const DesignRecord& record, std::uint64_t move) {
        // Before the move's line, where the needle stands as at a colour stop; a resume there
        // starts after it, declaring the same number.
        if (axis.spanPassed()) rebase();
        joinIfResumePoint(record, move);
        xyWords(movePrefix, record);
        buffer.append(axisWord);
        appendZ();
        buffer.append(strokePrefix);
        appendZ();
        buffer.append(lineTail);
        if (!p.needleUpWait.empty()) line(p.needleUpWait);
    }

    void travel(const DesignRecord& record, std::uint64_t move) {
        joinIfResumePoint(record, move);
        if (p.travelFeed.empty()) {
            xyWords(rapidPrefix, record);
        } else {
            xyWords(movePrefix, record);
            buffer.append(" F");
            buffer.append(p.travelFeed);
            feedDue = true;
        }
        buffer.append(lineTail);
    }

    void openRun(bool jumps) {
        if (jumps ? jumpRun : stitchRun) return;
        comment(jumps ? p.jumpComment : p.stitchComment);
        if (!p.lampOff.empty()) line(p.lampOff);
        jumpRun = jumps;
        stitchRun = !jumps;
    }

    void jumpMove(const DesignRecord& record, std::uint64_t move) {
        if (p.jumpStrokes) moveAndStroke(record, move);
        else travel(record, move);
    }

    void jump(const DesignRecord& record) {
        const std::uint64_t move = ++needleMoves;
        flushColours();
        // Whether a run is a trim shows only at its trimJumps-th jump, so its first jumps wait.
        if (!p.trimStop.empty() && (!jumpRun || !pendingJumps.empty())) {
            pendingJumps.push_back({record, move});
            if (pendingJumps.size() >= p.trimJumps || trimDue) flushJumps(true);
            return;
        }
        openRun(true);
        jumpMove(record, move);
    }

    void flushJumps(bool trim) {
        if (pendingJumps.empty()) return;
        openRun(true);
        if (trim) lines(p.trimStop);
        for (const PendingJump& pending : pendingJumps) jumpMove(pending.record, pending.move);
        pendingJumps.clear();
        trimDue = false;
    }

    // A trim the design holds makes the jumps that follow a trim run, however few.
    void trim() {
        if (!p.trimStop.empty()) trimDue = true;
    }

    void stitch(const DesignRecord& record) {
        const std::uint64_t move = ++needleMoves;
        flushColours();
        flushJumps(false);
        trimDue = false;
        openRun(false);
        if (feedDue) {
            feedLine(options.feedText);
            feedDue = false;
        }
        moveAndStroke(record, move);
    }

    void colourChange(const DesignRecord& record) {
        flushJumps(false);
        trimDue = false;
        jumpRun = false;
        stitchRun = false;
        // The design's last record is a colour change: a stop there would ask for a thread that
        // does not exist, so the stop waits for the next needle move.
        if (p.finalColourStop) colourStop(record);
        else coloursDue.push_back(record);
    }

    void flushColours() {
        for (const DesignRecord& record : coloursDue) colourStop(record);
        coloursDue.clear();
    }

    void colourStop(const DesignRecord& record) {
        comment(p.colourComment);
        if (p.changeMove != ChangeMove::None) {
            xyWords(p.changeMove == ChangeMove::Feed ? movePrefix : rapidPrefix, record);
            buffer.append(lineTail);
        }
        if (!p.lampOn.empty()) line(p.lampOn);
        ++colour;
        lines(p.colourStop);
        if (p.rebase) rebase();
    }

    void progress() {
        if (p.progress.empty() || options.recordCount == 0 || !pendingJumps.empty()) return;
        const auto now = static_cast<int>(std::min<std::size_t>(100, recordsSeen * 100 / options.recordCount));
        if (now == percent) return;
        percent = now;
        line(expand(p.progress));
    }

    bool emits(std::string_view box) const {
        if (box == "G90") return options.emitG90;
        if (box == "G21") return options.emitG21;
        if (box == "G64") return options.emitG64;
        if (box == "M786") return options.emitM786;
        if (box == "M02") return options.emitM02;
        return options.emitM30;
    }

    bool takes(const std::vector<std::string>& words, std::string_view box) const {
        for (const auto& word : words) {
            if (word == box) return true;
        }
        return false;
    }

    void header() {
        comment(std::string("The Gcode created with ") + kProgramName + " V" + versionText());
        comment("Program Author: Marovek");
        comment("File Name: " + options.fileName);
        comment("Height x Width of Design " + options.heightText + " x " + options.widthText);
        comment("Total No. of Stitches: " + options.stitchCountText);
        comment("Total No. of Colors: " + options.colourCountText);
        comment("Important Notes: " + options.notes);
        if (p.rebase && options.needleTravel) {
            comment("Needle axis travel: " + formatRounded(*options.needleTravel, kProgramDecimals) +
                    (p.rebaseResets ? " mm at most between re-bases" : " mm of machine position over the program"));
        }
        if (!p.machineNote.empty()) comment("Machine: " + p.machineNote);
        for (const std::string_view box : kHeaderBoxes) {
            if (emits(box) && takes(p.headerWords, box)) line(box);
        }
        lines(p.headerLines);
        feedLine(options.feedText);
        progress();
    }

    void footer() {
        flushJumps(false);
        if (!p.progress.empty() && options.recordCount > 0 && percent != 100) {
            percent = 100;
            line(expand(p.progress));
        }
        const std::string end = canonicalCode(p.endCode);
        bool ended = false;
        for (const std::string_view box : kFooterBoxes) {
            if (emits(box) && takes(p.footerWords, box)) {
                line(box);
                ended = ended || canonicalCode(box) == end;
            }
        }
        if (!end.empty() && !ended) line(p.endCode);
    }

    void drain() {
        if (moveLines) countLines();
        countedTo = 0;
        if (skipping) buffer.clear();
        if (!buffer.empty()) {
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }

    void drainIfFull() {
        if (buffer.size() >= kChunk) drain();
    }
};

GcodeWriter::GcodeWriter(const GcodeOptions& options, std::ostream& out)
    : state_(std::make_unique<State>(options, out)) {
    state_->header();
    state_->headerLines = state_->countLines();  // a needle-move listener set later counts from here
    state_->drain();
    state_->skipping = options.resumeFrom > 0;
}

GcodeWriter::~GcodeWriter() {
    // A writer abandoned before finish() still hands over the lines it was given, so the
    // stream never ends in the middle of a line; stream errors stay on the stream's state.
    if (!state_->finished) {
        try {
            state_->drain();
        } catch (...) {
        }
    }
}

void GcodeWriter::onNeedleMoveLine(std::function<void(std::uint64_t move, std::uint64_t line)> listener) {
    state_->moveLines = std::move(listener);
}

void GcodeWriter::add(const DesignRecord& record) {
    State& s = *state_;
    switch (record.kind) {
    case RecordKind::Jump:
        s.jump(record);
        break;
    case RecordKind::Stitch:
        s.stitch(record);
        break;
    case RecordKind::ColourChange:
        s.colourChange(record);
        break;
    case RecordKind::Trim:
        s.trim();
        break;
    case RecordKind::Other:
        break;
    }
    ++s.recordsSeen;
    s.progress();
    s.drainIfFull();
}

void GcodeWriter::finish() {
    State& s = *state_;
    if (s.finished) return;
    s.finished = true;
    s.footer();
    if (s.skipping) {
        throw ResumePointError("the design has " + formatUnsigned(s.needleMoves) +
                               " needle moves, so it cannot resume at move " + formatUnsigned(s.options.resumeFrom));
    }
    s.drain();
    s.out.flush();
}

void writeOutlineTrace(const GcodeOptions& options, const DesignFigures& extents, double dwellSeconds,
                       std::ostream& out) {
    GcodeOptions traced = options;
    traced.resumeFrom = 0;
    traced.recordCount = 0;
    traced.needleTravel.reset();
    GcodeWriter::State s(traced, out);
    s.header();
    const std::string dwell = formatNumber(dwellSeconds);
    s.comment("OUTLINE TRACE- needle held, " + dwell + " s at each corner");
    std::string pause = s.p.dwellLine;
    for (const auto& [key, value] : {std::pair<std::string_view, std::string>{"{seconds}", dwell},
                                     {"{milliseconds}", formatNumber(dwellSeconds * 1000)}}) {
        if (const std::size_t at = pause.find(key); at != std::string::npos) pause.replace(at, key.size(), value);
    }
    const DesignRecord corners[] = {{RecordKind::Jump, extents.minX, extents.minY},
                                    {RecordKind::Jump, extents.maxX, extents.minY},
                                    {RecordKind::Jump, extents.maxX, extents.maxY},
                                    {RecordKind::Jump, extents.minX, extents.maxY}};
    for (const DesignRecord& corner : corners) {
        s.travel(corner, 0);
        s.line(pause);
    }
    s.travel({RecordKind::Jump, 0, 0}, 0);  // back where every program starts
    s.footer();
    s.drain();
    out.flush();
}

void generateGcode(const GcodeOptions& options, std::span<const DesignRecord> records, std::ostream& out) {
    GcodeWriter writer(options, out);
    for (const DesignRecord& record : records) writer.add(record);
    writer.finish();
}

}  // namespace tessaline
