// The seam between planning and wording: each op a dialect words from the profile's own fields,
// the ops the planner makes of records, and the resume join and outline trace as plans.

#include "ProfileTestSupport.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/DialectWriter.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/OutlineTrace.h"
#include "gcode/ProgramPlanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

std::string replaced(std::string text, std::string_view key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

// A profile text as a line of the program: placeholders filled in, the profile's line end.
std::string codeLine(const MachineProfile& p, std::string text, int colour, int percent) {
    text = replaced(std::move(text), "{colour}", std::to_string(colour));
    text = replaced(std::move(text), "{percent}", std::to_string(percent));
    text = replaced(std::move(text), "{axis}", p.needleAxis);
    return text + p.lineEnd;
}

std::string commentLine(const MachineProfile& p, const std::string& text) {
    switch (p.comments) {
    case CommentForm::Parentheses:
        return "(" + text + ")" + p.lineEnd;
    case CommentForm::Semicolon:
        return "; " + text + p.lineEnd;
    case CommentForm::None:
        break;
    }
    return "";
}

bool takes(const std::vector<std::string>& words, const std::string& box) {
    return std::find(words.begin(), words.end(), box) != words.end();
}

struct OpCase {
    const char* name;
    PlanOp op;
    // The op's text, from the profile's fields alone.
    std::string (*expected)(const MachineProfile& p);
};

PlanOp made(PlanOpKind kind) {
    PlanOp op;
    op.kind = kind;
    op.colour = 3;
    op.percent = 42;
    op.x = 1.5;
    op.y = -2.25;
    return op;
}

std::string tail(const MachineProfile& p) { return (p.trailingBlank ? " " : "") + p.lineEnd; }

const std::vector<OpCase>& opCases() {
    static const std::vector<OpCase> cases = [] {
        std::vector<OpCase> all;
        all.push_back({"Header", made(PlanOpKind::Header), [](const MachineProfile& p) {
                           std::string text;
                           for (const std::string box : {"G90", "G21", "G64"})
                               if (takes(p.headerWords, box)) text += box + p.lineEnd;
                           for (const std::string& line : p.headerLines) text += codeLine(p, line, 3, 42);
                           return text;
                       }});
        PlanOp note = made(PlanOpKind::Comment);
        note.text = "a note";
        all.push_back({"CommentText", note, [](const MachineProfile& p) { return commentLine(p, "a note"); }});
        note.note = PlanNote::JumpRun;
        all.push_back({"CommentJumpRun", note, [](const MachineProfile& p) { return commentLine(p, p.jumpComment); }});
        note.note = PlanNote::StitchRun;
        all.push_back({"CommentStitchRun", note, [](const MachineProfile& p) { return commentLine(p, p.stitchComment); }});
        note.note = PlanNote::ColourChange;
        all.push_back({"CommentColour", note, [](const MachineProfile& p) { return commentLine(p, p.colourComment); }});
        all.push_back({"LampOff", made(PlanOpKind::LampOff),
                       [](const MachineProfile& p) { return p.lampOff.empty() ? std::string() : p.lampOff + p.lineEnd; }});
        all.push_back({"Feed", made(PlanOpKind::Feed),
                       [](const MachineProfile& p) { return codeLine(p, replaced(p.feedLine, "{feed}", "1500"), 3, 42); }});
        PlanOp travel = made(PlanOpKind::Travel);
        travel.move = 7;
        all.push_back({"Travel", travel, [](const MachineProfile& p) {
                           if (p.travelFeed.empty()) return p.rapidCode + " X1.5 Y-2.25" + tail(p);
                           return p.moveCode + " X1.5 Y-2.25 F" + p.travelFeed + tail(p);
                       }});
        for (const PlanOpKind kind : {PlanOpKind::StitchMove, PlanOpKind::JumpMove}) {
            PlanOp move = made(kind);
            move.move = 8;
            move.z = 70;
            move.stroke = 72.5;
            all.push_back({kind == PlanOpKind::StitchMove ? "StitchMove" : "JumpMove", move, [](const MachineProfile& p) {
                               return p.moveCode + " X1.5 Y-2.25 " + p.needleAxis + "70" + tail(p) + p.moveCode + " " +
                                      p.needleAxis + "72.5" + tail(p) +
                                      (p.needleUpWait.empty() ? "" : p.needleUpWait + p.lineEnd);
                           }});
        }
        all.push_back({"ColourStop", made(PlanOpKind::ColourStop), [](const MachineProfile& p) {
                           std::string text;
                           if (p.changeMove != ChangeMove::None)
                               text += (p.changeMove == ChangeMove::Feed ? p.moveCode : p.rapidCode) + " X1.5 Y-2.25" + tail(p);
                           if (!p.lampOn.empty()) text += p.lampOn + p.lineEnd;
                           for (const std::string& line : p.colourStop) text += codeLine(p, line, 3, 42);
                           return text;
                       }});
        all.push_back({"TrimStop", made(PlanOpKind::TrimStop), [](const MachineProfile& p) {
                           std::string text;
                           for (const std::string& line : p.trimStop) text += codeLine(p, line, 3, 42);
                           return text;
                       }});
        all.push_back({"RebaseToZero", made(PlanOpKind::Rebase), [](const MachineProfile& p) {
                           return codeLine(p, replaced(p.rebaseLine, "{position}", "0"), 3, 42);
                       }});
        PlanOp declared = made(PlanOpKind::Rebase);
        declared.z = 40;
        all.push_back({"RebaseDeclaring", declared, [](const MachineProfile& p) {
                           // A re-base line that cannot say the number says it in G92's words.
                           if (p.rebaseLine.find("{position}") == std::string::npos) return "G92 " + p.needleAxis + "40" + p.lineEnd;
                           return codeLine(p, replaced(p.rebaseLine, "{position}", "40"), 3, 42);
                       }});
        PlanOp dwell = made(PlanOpKind::Dwell);
        dwell.z = 0.25;
        all.push_back({"Dwell", dwell, [](const MachineProfile& p) {
                           return replaced(replaced(p.dwellLine, "{seconds}", "0.25"), "{milliseconds}", "250") + p.lineEnd;
                       }});
        all.push_back({"Progress", made(PlanOpKind::Progress), [](const MachineProfile& p) {
                           return p.progress.empty() ? std::string() : codeLine(p, p.progress, 3, 42);
                       }});
        all.push_back({"Footer", made(PlanOpKind::Footer), [](const MachineProfile& p) {
                           std::string text;
                           bool ended = false;
                           for (const std::string box : {"M786", "M02", "M30"}) {
                               if (!takes(p.footerWords, box)) continue;
                               text += box + p.lineEnd;
                               ended = ended || (!p.endCode.empty() && codeNumber(box) == codeNumber(p.endCode) &&
                                                 std::toupper(static_cast<unsigned char>(p.endCode[0])) == box[0]);
                           }
                           if (!p.endCode.empty() && !ended) text += p.endCode + p.lineEnd;
                           return text;
                       }});
        return all;
    }();
    return cases;
}

std::string worded(const GcodeOptions& options, const std::vector<PlanOp>& ops) {
    std::ostringstream out;
    DialectWriter writer(options, out);
    for (const PlanOp& op : ops) writer.put(op);
    writer.flush();
    return out.str();
}

class EveryProfileWords : public ::testing::TestWithParam<std::size_t> {
protected:
    std::shared_ptr<const MachineProfile> profile() const {
        MachineProfile p = builtinProfiles().at(GetParam());
        // No built-in profile stops for trims or waits after a stroke; give them one so those ops say something.
        if (p.trimStop.empty()) p.trimStop = {"M0", "M117 cut thread {colour}"};
        if (p.needleUpWait.empty()) p.needleUpWait = "M400";
        return std::make_shared<const MachineProfile>(p);
    }
};

TEST_P(EveryProfileWords, EachOpFromTheProfilesOwnFields) {
    const auto p = profile();
    GcodeOptions options;
    options.profile = p;
    std::string whole;
    std::vector<PlanOp> ops;
    for (const OpCase& c : opCases()) {
        SCOPED_TRACE(p->name + " " + c.name);
        const std::string expected = c.expected(*p);
        EXPECT_EQ(worded(options, {c.op}), expected);
        ops.push_back(c.op);
        whole += expected;
    }
    // The writer keeps nothing from one op to the next but its lines.
    EXPECT_EQ(worded(options, ops), whole);
}

TEST_P(EveryProfileWords, TheOptionsTurnTheAxesAndLeaveOutBoxes) {
    GcodeOptions options;
    options.profile = profile();
    const MachineProfile& p = *options.profile;
    options.invertX = true;
    options.invertY = true;
    options.emitG21 = false;
    options.emitM30 = false;
    options.feedText = "900";
    PlanOp travel = made(PlanOpKind::Travel);
    const std::string travelText = worded(options, {travel});
    EXPECT_EQ(travelText.substr(0, travelText.find(" F")), (p.travelFeed.empty() ? p.rapidCode : p.moveCode) + " X-1.5 Y2.25" +
                                                                (p.travelFeed.empty() ? tail(p) : ""));
    const std::string header = worded(options, {made(PlanOpKind::Header)});
    EXPECT_EQ(header.find("G21"), std::string::npos) << header;
    EXPECT_EQ(header.find("G90") != std::string::npos, takes(p.headerWords, "G90")) << header;
    EXPECT_EQ(worded(options, {made(PlanOpKind::Footer)}).find("M30" + p.lineEnd) != std::string::npos, p.endCode == "M30");
    EXPECT_NE(worded(options, {made(PlanOpKind::Feed)}).find("900"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Builtin, EveryProfileWords, ::testing::Range<std::size_t>(0, 6),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             std::string name;
                             for (const char c : builtinProfiles().at(info.param).name)
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

// Collects a plan's ops, keeping a comment's text.
class OpRecorder final : public PlanSink {
public:
    void put(const PlanOp& op) override {
        ops.push_back(op);
        texts.emplace_back(op.text);
    }
    std::vector<PlanOp> ops;
    std::vector<std::string> texts;
};

std::vector<PlanOp> planOf(const MachineProfile& p, const std::vector<DesignRecord>& records) {
    OpRecorder recorder;
    GcodeOptions options;
    ProgramPlanner planner(options, p, recorder);
    for (const DesignRecord& record : records) planner.add(record);
    planner.footer();
    return recorder.ops;
}

// The plan's ops from the first needle move on, as letters: T travel, S stitch, J stroking jump,
// C colour stop, X trim stop, R re-base, F feed, L lamp off, c comment, E footer.
std::string shape(const std::vector<PlanOp>& ops) {
    std::string text;
    for (const PlanOp& op : ops) {
        switch (op.kind) {
        case PlanOpKind::Travel: text += 'T'; break;
        case PlanOpKind::StitchMove: text += 'S'; break;
        case PlanOpKind::JumpMove: text += 'J'; break;
        case PlanOpKind::ColourStop: text += 'C'; break;
        case PlanOpKind::TrimStop: text += 'X'; break;
        case PlanOpKind::Rebase: text += 'R'; break;
        case PlanOpKind::Feed: text += 'F'; break;
        case PlanOpKind::LampOff: text += 'L'; break;
        case PlanOpKind::Comment: text += 'c'; break;
        case PlanOpKind::Footer: text += 'E'; break;
        default: text += '?'; break;
        }
    }
    return text;
}

TEST(ProgramPlanner, RunsTrimsColourStopsAndReBasesAsTheProfileAsks) {
    const DesignRecord J{RecordKind::Jump, 1, 1}, S{RecordKind::Stitch, 2, 2}, C{RecordKind::ColourChange, 3, 3},
        X{RecordKind::Trim, 0, 0};
    MachineProfile classic = classicProfile();
    MachineProfile trims = classicProfile();
    trims.trimStop = {"M0"};
    trims.trimJumps = 2;
    MachineProfile held = builtinProfiles().at(1);  // grbl 1.1: jumps travel, stops wait, re-bases
    held.travelFeed = "3000";
    const struct {
        const char* name;
        const MachineProfile& profile;
        std::vector<DesignRecord> records;
        const char* shape;
    } cases[] = {
        // A run opens with its comment and lamp-off; the colour stop comes at once where the profile stops finally.
        {"classic", classic, {J, S, S, C, S, C}, "cLJcLSScCcLScCE"},
        // One jump is no trim; two are, and the stop goes before them; the design's trim makes one jump a trim.
        {"one jump", trims, {S, J, S}, "cLScLJcLSE"},
        {"two jumps", trims, {S, J, J, S}, "cLScLXJJcLSE"},
        {"a cut", trims, {S, X, J, S}, "cLScLXJcLSE"},
        {"jumps at the end", trims, {S, J}, "cLScLJE"},
        // A stop waits for the next needle move, re-bases, and a travel at its own feed brings the stitch feed.
        {"held jumps", held, {S, C, J, S, C}, "cLScCRcLTcLFSE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shape(planOf(c.profile, c.records)), c.shape);
    }
}

TEST(ProgramPlanner, NumbersTheMovesAndCarriesTheThread) {
    MachineProfile p = builtinProfiles().at(1);
    p.rebaseSpan = 50;  // five strokes of 10 at most
    const std::vector<DesignRecord> records = {{RecordKind::Stitch, 1, 1}, {RecordKind::Jump, 2, 2},
                                               {RecordKind::ColourChange, 3, 3}, {RecordKind::Stitch, 4, 4},
                                               {RecordKind::Stitch, 5, 5}, {RecordKind::Stitch, 6, 6},
                                               {RecordKind::Stitch, 7, 7}};
    std::vector<std::uint64_t> moves;
    std::vector<int> colours;
    std::vector<double> needle;
    std::size_t stops = 0;
    for (const PlanOp& op : planOf(p, records)) {
        if (op.isNeedleMove()) {
            moves.push_back(op.move);
            colours.push_back(op.colour);
        }
        if (op.kind == PlanOpKind::StitchMove) {
            needle.push_back(op.z);
            needle.push_back(op.stroke);
        }
        if (op.kind == PlanOpKind::ColourStop) {
            ++stops;
            EXPECT_EQ(op.colour, 2);
            EXPECT_EQ(op.x, 3);
        }
    }
    EXPECT_EQ(moves, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(colours, (std::vector<int>{1, 1, 2, 2, 2, 2}));
    EXPECT_EQ(stops, 1u);
    // The colour stop re-bases to 0; past the span of 50 a re-base comes before the move.
    EXPECT_EQ(needle, (std::vector<double>{10, 20, 10, 20, 30, 40, 10, 20, 30, 40}));
}

// A design with every record kind, where runs, trims and stops fall differently.
std::vector<DesignRecord> mixedDesign() {
    std::vector<DesignRecord> records;
    const RecordKind pattern[] = {RecordKind::Stitch, RecordKind::Jump,   RecordKind::Jump,  RecordKind::Stitch,
                                  RecordKind::Stitch, RecordKind::Trim,   RecordKind::Jump,  RecordKind::Stitch,
                                  RecordKind::ColourChange, RecordKind::Jump, RecordKind::Jump, RecordKind::Jump,
                                  RecordKind::Stitch, RecordKind::Other,  RecordKind::Stitch, RecordKind::ColourChange};
    for (int i = 0; i < 48; ++i) records.push_back({pattern[i % 16], i * 0.5 - 7, 3 - i * 0.25});
    records.push_back({RecordKind::Jump, 1, 1});
    records.push_back({RecordKind::ColourChange, 0, 0});
    return records;
}

std::vector<std::shared_ptr<const MachineProfile>> testedProfiles() {
    std::vector<std::shared_ptr<const MachineProfile>> profiles;
    for (const MachineProfile& p : builtinProfiles()) {
        profiles.push_back(std::make_shared<const MachineProfile>(p));
        MachineProfile varied = p;
        varied.name += " with trims and a short span";
        varied.trimStop = {"M0"};
        varied.trimJumps = 2;
        varied.rebaseSpan = 60;
        varied.travelFeed = "2400";
        profiles.push_back(std::make_shared<const MachineProfile>(varied));
    }
    return profiles;
}

// For every needle move N: the resumed program is the whole program's header, the join, then
// byte for byte the whole program from move N's line on.
TEST(ResumeJoin, GivesTheWholeProgramFromTheMovesLineOn) {
    const std::vector<DesignRecord> records = mixedDesign();
    for (const auto& profile : testedProfiles()) {
        GcodeOptions options;
        options.profile = profile;
        options.recordCount = records.size();
        std::ostringstream wholeOut;
        std::vector<std::uint64_t> moveLines;
        {
            GcodeWriter writer(options, wholeOut);
            writer.onNeedleMoveLine([&](std::uint64_t, std::uint64_t line) { moveLines.push_back(line); });
            for (const DesignRecord& record : records) writer.add(record);
            writer.finish();
        }
        const std::vector<std::string> whole = test::splitLines(wholeOut.str());
        const auto headerEnd = static_cast<std::ptrdiff_t>(
            std::find(whole.begin(), whole.end(), test::splitLines(worded(options, {made(PlanOpKind::Feed)})).front()) -
            whole.begin());
        for (std::uint64_t n = 1; n <= moveLines.size(); ++n) {
            SCOPED_TRACE(profile->name + " N=" + std::to_string(n));
            options.resumeFrom = n;
            std::vector<std::uint64_t> resumedLines;
            std::ostringstream resumedOut;
            GcodeWriter writer(options, resumedOut);
            writer.onNeedleMoveLine([&](std::uint64_t, std::uint64_t line) { resumedLines.push_back(line); });
            for (const DesignRecord& record : records) writer.add(record);
            writer.finish();
            const std::vector<std::string> resumed = test::splitLines(resumedOut.str());
            const std::size_t from = moveLines[n - 1] - 1;
            const std::size_t joinedAt = resumedLines.front() - 1;
            ASSERT_EQ(resumedLines.size(), moveLines.size() - n + 1);
            ASSERT_EQ(resumed.size() - joinedAt, whole.size() - from);
            EXPECT_TRUE(std::equal(resumed.begin() + static_cast<std::ptrdiff_t>(joinedAt), resumed.end(),
                                   whole.begin() + static_cast<std::ptrdiff_t>(from)));
            EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + headerEnd + 1, resumed.begin()));
            // The listener's lines are the whole program's, moved by where the join put move N.
            for (std::size_t k = 0; k < resumedLines.size(); ++k)
                EXPECT_EQ(resumedLines[k] - resumedLines[0], moveLines[n - 1 + k] - moveLines[n - 1]);
            // Just before move N's line the join declares where the needle stands in the whole
            // program there: its last stroke's number, or 0 after a re-base.
            const std::string stroke = profile->moveCode + " " + profile->needleAxis;
            const std::string rebase = test::rebaseLine(*profile, "0");
            std::string standing = "0";
            for (std::size_t i = 0; i < from; ++i) {
                if (whole[i] == rebase) standing = "0";
                else if (whole[i].rfind(stroke, 0) == 0) standing = whole[i].substr(stroke.size(), whole[i].find(' ', stroke.size()) - stroke.size());
            }
            const bool saysPosition = profile->rebaseLine.find("{position}") != std::string::npos;
            EXPECT_EQ(resumed[joinedAt - 1], saysPosition || standing == "0" ? test::rebaseLine(*profile, standing)
                                                                             : "G92 " + profile->needleAxis + standing);
        }
    }
}

TEST(OutlineTrace, IsTheProgramsHeaderAndFooterAroundTravelsAndDwells) {
    DesignFigures extents;
    extents.minX = -4;
    extents.maxX = 6.5;
    extents.minY = -1;
    extents.maxY = 2;
    for (const auto& profile : testedProfiles()) {
        SCOPED_TRACE(profile->name);
        GcodeOptions options;
        options.profile = profile;
        std::ostringstream empty;
        generateGcode(options, {}, empty);
        std::ostringstream trace;
        writeOutlineTrace(options, extents, 1.5, trace);
        OpRecorder recorder;
        planOutlineTrace(options, *profile, extents, 1.5, recorder);
        std::string middle;
        std::size_t travels = 0, dwells = 0;
        for (const PlanOp& op : recorder.ops) {
            EXPECT_FALSE(op.isNeedleMove());
            EXPECT_NE(op.kind, PlanOpKind::StitchMove);
            EXPECT_NE(op.kind, PlanOpKind::JumpMove);
            travels += op.kind == PlanOpKind::Travel;
            dwells += op.kind == PlanOpKind::Dwell;
        }
        EXPECT_EQ(travels, 5u);
        EXPECT_EQ(dwells, 4u);
        // The program of no records is header then footer: the trace has both around its own ops.
        const std::string footer = worded(options, {made(PlanOpKind::Footer)});
        const std::string program = empty.str();
        const std::string header = program.substr(0, program.size() - footer.size());
        EXPECT_EQ(trace.str().substr(0, header.size()), header);
        EXPECT_EQ(trace.str().substr(trace.str().size() - footer.size()), footer);
    }
}

}  // namespace
}  // namespace tessaline
