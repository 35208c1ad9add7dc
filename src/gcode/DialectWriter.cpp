#include "gcode/DialectWriter.h"

#include "common/NumberFormat.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/FeedText.h"
#include "gcode/GcodeGenerator.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tessaline {

namespace {

// Lines collect in memory and go to the stream in chunks of about this size: one ostream call
// per chunk instead of several per line keeps generation close to raw disk speed.
constexpr std::size_t kChunk = 64 * 1024;
// Room for one op's lines past a full chunk, so the buffer does not grow in practice.
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

bool takes(const std::vector<std::string>& words, std::string_view box) {
    return std::find(words.begin(), words.end(), box) != words.end();
}

}  // namespace

DialectWriter::DialectWriter(const GcodeOptions& options, std::ostream& out)
    : out_(out), held_(options.profile), p_(held_ ? *held_ : classicProfile()), options_(options) {
    // A profile or feed that could put a line of its own into the program is refused here too,
    // whatever the caller checked: nothing gets past the one writer.
    if (const auto problem = profileProblem(p_)) {
        throw ProgramOptionError("the machine profile \"" + p_.name + "\" cannot be used: field '" +
                                 problem->field + "': " + problem->reason);
    }
    if (const auto problem = feedTextProblem(options_.feedText)) throw ProgramOptionError(*problem);
    buffer_.reserve(kChunk + kLineReserve);
    eol_ = p_.lineEnd;
    commentStyle_ = CommentStyle::of(p_);
    const std::string_view blank = p_.trailingBlank ? " " : "";
    movePrefix_.append(p_.moveCode).append(" X");
    rapidPrefix_.append(p_.rapidCode).append(" X");
    axisWord_.append(" ").append(p_.needleAxis);
    strokePrefix_.append(blank).append(eol_).append(p_.moveCode).append(" ").append(p_.needleAxis);
    lineTail_.append(blank).append(eol_);
}

void DialectWriter::put(const PlanOp& op) {
    switch (op.kind) {
    case PlanOpKind::Header:
        header(op);
        break;
    case PlanOpKind::Comment:
        switch (op.note) {
        case PlanNote::Text:
            comment(op.text);
            break;
        case PlanNote::JumpRun:
            comment(p_.jumpComment);
            break;
        case PlanNote::StitchRun:
            comment(p_.stitchComment);
            break;
        case PlanNote::ColourChange:
            comment(p_.colourComment);
            break;
        }
        break;
    case PlanOpKind::LampOff:
        if (!p_.lampOff.empty()) line(p_.lampOff);
        break;
    case PlanOpKind::Feed:
        feedLine(op);
        break;
    case PlanOpKind::Travel:
        if (p_.travelFeed.empty()) {
            xyWords(rapidPrefix_, op);
        } else {
            xyWords(movePrefix_, op);
            buffer_.append(" F");
            buffer_.append(p_.travelFeed);
        }
        buffer_.append(lineTail_);
        break;
    case PlanOpKind::StitchMove:
    case PlanOpKind::JumpMove:
        xyWords(movePrefix_, op);
        buffer_.append(axisWord_);
        appendRounded(buffer_, op.z, kProgramDecimals);
        buffer_.append(strokePrefix_);
        appendRounded(buffer_, op.stroke, kProgramDecimals);
        buffer_.append(lineTail_);
        if (!p_.needleUpWait.empty()) line(p_.needleUpWait);
        break;
    case PlanOpKind::ColourStop:
        if (p_.changeMove != ChangeMove::None) {
            xyWords(p_.changeMove == ChangeMove::Feed ? movePrefix_ : rapidPrefix_, op);
            buffer_.append(lineTail_);
        }
        if (!p_.lampOn.empty()) line(p_.lampOn);
        lines(p_.colourStop, op);
        break;
    case PlanOpKind::TrimStop:
        lines(p_.trimStop, op);
        break;
    case PlanOpKind::Rebase:
        line(rebaseText(op.z, op));
        break;
    case PlanOpKind::Dwell: {
        std::string pause = p_.dwellLine;
        for (const auto& [key, value] : {std::pair<std::string_view, std::string>{"{seconds}", formatNumber(op.z)},
                                         {"{milliseconds}", formatNumber(op.z * 1000)}}) {
            if (const std::size_t at = pause.find(key); at != std::string::npos) pause.replace(at, key.size(), value);
        }
        line(pause);
        break;
    }
    case PlanOpKind::Progress:
        if (!p_.progress.empty()) line(expand(p_.progress, op));
        break;
    case PlanOpKind::Footer:
        footer();
        break;
    }
    if (buffer_.size() >= kChunk) drain();
}

void DialectWriter::line(std::string_view text) {
    buffer_.append(text);
    buffer_.append(eol_);
}

void DialectWriter::lines(const std::vector<std::string>& texts, const PlanOp& op) {
    for (const auto& text : texts) line(expand(text, op));
}

// Fills in {colour}, {axis} and {percent}.
std::string DialectWriter::expand(std::string_view text, const PlanOp& op) const {
    std::string result;
    while (!text.empty()) {
        const std::size_t brace = text.find('{');
        result.append(text.substr(0, brace));
        if (brace == std::string_view::npos) break;
        text.remove_prefix(brace);
        const std::size_t end = text.find('}');
        const std::string_view key = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        if (key == "{colour}") result += formatInteger(op.colour);
        else if (key == "{axis}") result += p_.needleAxis;
        else if (key == "{percent}") result += formatInteger(op.percent);
        else result.append(key);
        text.remove_prefix(key.size());
    }
    return result;
}

// Every text that is not the generator's own goes into a comment through the one function
// that keeps it there.
void DialectWriter::comment(std::string_view text) { appendComment(buffer_, text, commentStyle_, p_.comments); }

void DialectWriter::feedLine(const PlanOp& op) {
    const std::string_view form = p_.feedLine;
    const std::size_t at = form.find("{feed}");
    buffer_.append(expand(form.substr(0, at), op));
    if (at != std::string_view::npos) {
        buffer_.append(options_.feedText);  // a number: checked when the writer was made
        buffer_.append(expand(form.substr(at + 6), op));
    }
    buffer_.append(eol_);
}

// The profile's re-base, declaring the needle's number; a re-base line without {position}
// declares 0, so a resume then says it in G92's words.
std::string DialectWriter::rebaseText(double position, const PlanOp& op) const {
    std::string text = p_.rebaseLine;
    const std::string number = formatRounded(position, kProgramDecimals);
    constexpr std::string_view key = "{position}";
    const std::size_t at = text.find(key);
    if (at == std::string::npos) {
        if (position != 0) text = "G92 {axis}" + number;
    } else {
        text.replace(at, key.size(), number);
    }
    return expand(text, op);
}

// "X<x> Y<y>" after a prefix that ends in "X".
void DialectWriter::xyWords(const std::string& prefix, const PlanOp& op) {
    buffer_.append(prefix);
    appendRounded(buffer_, options_.invertX ? -op.x : op.x, kProgramDecimals);
    buffer_.append(" Y");
    appendRounded(buffer_, options_.invertY ? -op.y : op.y, kProgramDecimals);
}

bool DialectWriter::emits(std::string_view box) const {
    if (box == "G90") return options_.emitG90;
    if (box == "G21") return options_.emitG21;
    if (box == "G64") return options_.emitG64;
    if (box == "M786") return options_.emitM786;
    if (box == "M02") return options_.emitM02;
    return options_.emitM30;
}

void DialectWriter::header(const PlanOp& op) {
    for (const std::string_view box : kHeaderBoxes) {
        if (emits(box) && takes(p_.headerWords, box)) line(box);
    }
    lines(p_.headerLines, op);
}

void DialectWriter::footer() {
    const std::string end = canonicalCode(p_.endCode);
    bool ended = false;
    for (const std::string_view box : kFooterBoxes) {
        if (emits(box) && takes(p_.footerWords, box)) {
            line(box);
            ended = ended || canonicalCode(box) == end;
        }
    }
    if (!end.empty() && !ended) line(p_.endCode);
}

// Each byte is looked at once.
std::uint64_t DialectWriter::lines() {
    linesCounted_ += static_cast<std::uint64_t>(
        std::count(buffer_.begin() + static_cast<std::ptrdiff_t>(countedTo_), buffer_.end(), '\n'));
    countedTo_ = buffer_.size();
    return linesCounted_;
}

void DialectWriter::drain() {
    if (keepCount_) lines();
    countedTo_ = 0;
    if (!buffer_.empty()) {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
}

}  // namespace tessaline
