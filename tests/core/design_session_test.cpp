// A design session: opened from a file or into the work store, the options checked once, and the
// jobs run on it giving what the generator gives for the same records.

#include "DstTestEncoder.h"
#include "common/AtomicFile.h"
#include "design/WorkStore.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/MachineProfile.h"
#include "session/Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

std::shared_ptr<const MachineProfile> builtin(const std::string& name) {
    for (const MachineProfile& profile : builtinProfiles())
        if (profile.name == name) return std::make_shared<const MachineProfile>(profile);
    throw std::invalid_argument("no profile " + name);
}

bool sameRecords(const std::vector<DesignRecord>& a, const std::vector<DesignRecord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const DesignRecord& p, const DesignRecord& q) {
        return p.kind == q.kind && p.x == q.x && p.y == q.y;
    });
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DesignSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tessaline-session-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        design_ = write("rose.dst", twoColours());
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Two colours of stitches with a jump between, off the origin so that centring moves it.
    static std::vector<std::uint8_t> twoColours() {
        test::DstTestEncoder dst;
        dst.jump(40, 30).stitch(20, 0).stitch(0, 20).stitch(-10, -5).colourChange().jump(15, 15).stitch(30, 10)
            .stitch(5, -25).end();
        return dst.bytes();
    }

    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // The records and figures of the file, decoded apart from the session.
    static PlacedDesign decodeApart(const fs::path& path, Placement placement, std::vector<DesignRecord>& records) {
        const std::vector<std::uint8_t> bytes = readDesignFile(path);
        return decodePlacedDesignFile(path, bytes, placement, [&](const DesignRecord& r) { records.push_back(r); });
    }

    static std::vector<DesignRecord> walked(const DesignSession& session) {
        std::vector<DesignRecord> records;
        session.walk([&](const DesignRecord& r) { records.push_back(r); });
        return records;
    }

    fs::path dir_;
    fs::path design_;
};

TEST_F(DesignSessionTest, BothSourcesHandOutThePlacedRecordsAndFigures) {
    for (const Placement placement : {Placement::AsInFile, Placement::Centred}) {
        SCOPED_TRACE(std::string(placementWord(placement)));
        std::vector<DesignRecord> expected;
        const PlacedDesign apart = decodeApart(design_, placement, expected);
        WorkStore store(dir_ / WorkStore::kFileName);
        store.open();
        const DesignSession fromFile = DesignSession::open(design_, placement);
        const DesignSession fromStore = DesignSession::openIntoStore(design_, placement, store);
        EXPECT_FALSE(fromFile.inStore());
        EXPECT_TRUE(fromStore.inStore());
        for (const DesignSession* session : {&fromFile, &fromStore}) {
            EXPECT_TRUE(sameRecords(walked(*session), expected));
            // Twice: every walk reads its source again.
            EXPECT_TRUE(sameRecords(walked(*session), expected));
            EXPECT_EQ(session->figures().minX, apart.design.figures.minX);
            EXPECT_EQ(session->figures().maxY, apart.design.figures.maxY);
            EXPECT_EQ(session->figures().records, expected.size());
            EXPECT_EQ(session->texts().fileName, "rose.dst");
            EXPECT_EQ(session->texts().stitches, figureTexts(apart.design.figures, "x").stitches);
            EXPECT_EQ(session->format(), DesignFormat::Dst);

            std::uint64_t moves = 0;
            double farthest = 0;
            DesignSeal seal;
            for (const DesignRecord& r : expected) {
                if (r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump) ++moves;
                farthest = std::max(farthest, std::hypot(r.x, r.y));
                seal.add(r);
            }
            EXPECT_EQ(session->needleMoves(), moves);
            EXPECT_EQ(moves, 7u);
            EXPECT_NEAR(session->reach(), farthest, 1e-9);
            EXPECT_TRUE(session->seal() == (session->inStore() ? seal : DesignSeal{}));
            ASSERT_EQ(session->kinds().size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(session->kinds()[i], expected[i].kind);
        }
    }
}

TEST_F(DesignSessionTest, StoreSessionRefusesAStoreThatChangedAndLeavesTheFileAlone) {
    WorkStore store(dir_ / WorkStore::kFileName);
    store.open();
    const DesignSession session = DesignSession::openIntoStore(design_, Placement::AsInFile, store);
    const GcodeOptions options = programOptions(session, {});
    const fs::path target = dir_ / "out.GC";
    std::ofstream(target) << "earlier";

    // Another window stores a design of its own, one stitch longer.
    test::DstTestEncoder other;
    other.jump(40, 30).stitch(20, 0).stitch(0, 20).stitch(-10, -5).colourChange().jump(15, 15).stitch(30, 10)
        .stitch(5, -25).stitch(1, 1).end();
    DesignSession::openIntoStore(write("other.dst", other.bytes()), Placement::AsInFile, store);

    EXPECT_THROW(saveProgram(session, options, target), StoreError);
    EXPECT_EQ(readText(target), "earlier");
    EXPECT_THROW(sendPlan(session, options), StoreError);
    EXPECT_THROW(needleMoveOnLine(session, options, 1, ""), StoreError);
}

TEST_F(DesignSessionTest, UnreadableFileLeavesTheStoredDesignAndSkipsTheStore) {
    WorkStore store(dir_ / WorkStore::kFileName);
    store.open();
    const DesignSession first = DesignSession::openIntoStore(design_, Placement::AsInFile, store);
    bool storing = false;
    const fs::path broken = write("broken.pes", {'#', 'P', 'E', 'S', '0', '0', '0', '1', 0xFF});
    EXPECT_THROW(DesignSession::openIntoStore(broken, Placement::AsInFile, store, [&] { storing = true; }),
                 DesignFileError);
    EXPECT_TRUE(storing) << "the file was read, so the store is made ready before decoding";
    EXPECT_EQ(walked(first).size(), first.figures().records) << "the first design stays in the store";

    storing = false;
    EXPECT_THROW(DesignSession::openIntoStore(dir_ / "missing.dst", Placement::AsInFile, store, [&] { storing = true; }),
                 DesignFileError);
    EXPECT_FALSE(storing) << "a file that cannot be read never reaches the store";
    EXPECT_THROW(DesignSession::open(dir_ / "missing.dst", Placement::AsInFile), DesignFileError);
}

// The session's options and jobs give what the generator gives for the decoded records with
// the figure texts, record count and needle travel filled in by hand.
TEST_F(DesignSessionTest, JobsWriteTheGeneratorsProgramForTheChoices) {
    std::vector<DesignRecord> records;
    const PlacedDesign apart = decodeApart(design_, Placement::Centred, records);
    const DesignSession session = DesignSession::open(design_, Placement::Centred);
    for (const char* name : {"Classic", "grbl 1.1", "Klipper"}) {
        SCOPED_TRACE(name);
        ProgramChoices choices;
        choices.profile = builtin(name);
        choices.feedText = "1200";
        choices.needleStep = 2.5;
        choices.invertY = true;
        choices.notes = "Rose";
        choices.emitM30 = false;

        GcodeOptions byHand;
        const FigureTexts texts = figureTexts(apart.design.figures, "rose.dst");
        byHand.fileName = texts.fileName;
        byHand.heightText = texts.height;
        byHand.widthText = texts.width;
        byHand.stitchCountText = texts.stitches;
        byHand.colourCountText = texts.colours;
        byHand.recordCount = records.size();
        byHand.profile = choices.profile;
        byHand.feedText = "1200";
        byHand.zStep = 2.5;
        byHand.invertY = true;
        byHand.notes = "Rose";
        byHand.emitM30 = false;
        NeedlePlanner planner(*choices.profile, byHand.zStep);
        for (const DesignRecord& r : records) planner.add(r);
        byHand.needleTravel = planner.plan().travel;
        std::ostringstream expected;
        generateGcode(byHand, records, expected);

        const GcodeOptions options = programOptions(session, choices);
        std::ostringstream written;
        writeProgram(session, options, written);
        EXPECT_EQ(written.str(), expected.str());
        const fs::path saved = dir_ / "rose.GC";
        saveProgram(session, options, saved);
        EXPECT_EQ(readText(saved), expected.str());
        EXPECT_EQ(sendPlan(session, options).text, expected.str());

        choices.resumeFrom = "4";
        byHand.resumeFrom = 4;
        std::ostringstream resumedExpected;
        generateGcode(byHand, records, resumedExpected);
        std::ostringstream resumed;
        writeProgram(session, programOptions(session, choices), resumed);
        EXPECT_EQ(resumed.str(), resumedExpected.str());

        byHand.resumeFrom = 0;
        byHand.notes = kOutlineTraceNotes;
        std::ostringstream traceExpected;
        writeOutlineTrace(byHand, apart.design.figures, 0.5, traceExpected);
        std::ostringstream trace;
        writeTrace(session, traceOptions(session, choices), trace);
        EXPECT_EQ(trace.str(), traceExpected.str());
    }
}

TEST_F(DesignSessionTest, NeedleMoveOnLineFindsEachMoveByItsLineOrItsStroke) {
    const DesignSession session = DesignSession::open(design_, Placement::AsInFile);
    for (const char* name : {"Classic", "grbl 1.1", "Marlin 2"}) {
        SCOPED_TRACE(name);
        ProgramChoices choices;
        choices.profile = builtin(name);
        const GcodeOptions options = programOptions(session, choices);
        std::ostringstream out;
        writeProgram(session, options, out);
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
        const std::string stroke = choices.profile->moveCode + " " + choices.profile->needleAxis;

        // Walk the program: each needle move's line names the next move, its stroke the same one.
        std::uint64_t found = 0;
        std::uint64_t strokes = 0;
        for (std::uint64_t line = 1; line <= lines.size(); ++line) {
            const std::string& text = lines[line - 1];
            const std::uint64_t move = needleMoveOnLine(session, options, line, text);
            if (text.starts_with(stroke) && found > 0 && lines[line - 2].starts_with(choices.profile->moveCode + " X")) {
                EXPECT_EQ(move, found) << "stroke line " << line;
                ++strokes;
            } else if (move != 0) {
                EXPECT_EQ(move, found + 1) << "line " << line;
                found = move;
            }
        }
        EXPECT_GE(strokes, 5u);
        EXPECT_EQ(found, session.needleMoves());
        EXPECT_EQ(needleMoveOnLine(session, options, 1, lines[0]), 0u) << "the header holds no needle move";
    }
}

// Each refused choice names its field; the checks run in the order every front end reports them.
TEST_F(DesignSessionTest, RefusedChoicesNameTheFieldAndReason) {
    const DesignSession session = DesignSession::open(design_, Placement::AsInFile);
    auto tightTravel = std::make_shared<MachineProfile>(*builtin("grbl 1.1"));
    tightTravel->needleMachineMax = 25;  // 10 mm a stroke: the third stitch passes it
    struct Case {
        const char* what;
        std::string feed;
        double step;
        std::string resume;
        std::shared_ptr<const MachineProfile> profile;
        OptionField field;
        std::string reasonHas;
        bool namesDesign = false;  // refused for this design rather than on its own
        int tieIns = 0;
    };
    const std::vector<Case> cases = {
        {"feed with letters", "12a", 10, "", nullptr, OptionField::Feed, "12a"},
        {"needle step 0", "1500", 0, "", nullptr, OptionField::NeedleStep, "greater than 0"},
        {"needle step in ten-thousandths", "1500", 0.0001, "", nullptr, OptionField::NeedleStep, ""},
        {"resume not a number", "12a", 0, "x3", nullptr, OptionField::ResumePoint, "not 'x3'"},
        {"resume 0", "1500", 10, "000", nullptr, OptionField::ResumePoint, "'000': needle moves count from 1"},
        {"resume negative", "1500", 10, "-2", nullptr, OptionField::ResumePoint, "count from 1"},
        {"resume past the last move", "1500", 10, "8", nullptr, OptionField::ResumePoint,
         "8 is past the design's last needle move, 7", true},
        {"resume past 64 bits", "1500", 10, "0099999999999999999999", nullptr, OptionField::ResumePoint,
         "99999999999999999999 is past the design's last needle move, 7", true},
        {"needle travel past the machine", "1500", 10, "", tightTravel, OptionField::NeedleTravel, "needle move 3", true},
        {"tie-ins without a resume point", "1500", 10, "", nullptr, OptionField::TieIns, "needs a needle move", false, 2},
        {"tie-ins past the most", "1500", 10, "3", nullptr, OptionField::TieIns, "from 0 to 20, not 21", false, 21},
        {"tie-ins below 0", "1500", 10, "3", nullptr, OptionField::TieIns, "not -1", false, -1},
        {"a resume point's form before the tie-ins", "1500", 10, "x", nullptr, OptionField::ResumePoint, "not 'x'", false, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramChoices choices;
        choices.feedText = c.feed;
        choices.needleStep = c.step;
        choices.resumeFrom = c.resume;
        choices.profile = c.profile;
        choices.tieIns = c.tieIns;
        try {
            programOptions(session, choices);
            ADD_FAILURE() << "taken";
        } catch (const SessionOptionError& e) {
            EXPECT_EQ(e.field(), c.field) << e.what();
            EXPECT_NE(e.reason().find(c.reasonHas), std::string::npos) << e.what();
            EXPECT_EQ(e.design(), c.namesDesign ? session.path() : std::filesystem::path()) << e.what();
        }
    }
    ProgramChoices fine;
    fine.resumeFrom = "+07";
    EXPECT_EQ(programOptions(session, fine).resumeFrom, 7u);
    EXPECT_NO_THROW(checkChoices(fine));
    fine.tieIns = kMaxTieIns;
    EXPECT_EQ(programOptions(session, fine).tieInStitches, static_cast<unsigned>(kMaxTieIns));
    fine.tieIns = 0;
    fine.feedText = "";
    EXPECT_NO_THROW(programOptions(session, fine)) << "an empty feed is written as \"F \" alone";
    fine.feedText = "fast";
    EXPECT_THROW(traceOptions(session, fine), SessionOptionError);
    EXPECT_THROW(checkChoices(fine), SessionOptionError);
    for (const double diameter : {0.0, -150.0, std::nan(""), HUGE_VAL}) {
        SCOPED_TRACE(diameter);
        try {
            hoopFitOf(session, diameter);
            ADD_FAILURE() << "taken";
        } catch (const SessionOptionError& e) {
            EXPECT_EQ(e.field(), OptionField::HoopDiameter);
        }
        EXPECT_THROW(checkHoopDiameter(diameter), SessionOptionError);
    }
    // The margin is measured from the design's farthest point: fits a hoop 2 mm wider than twice it.
    const HoopFit roomy = hoopFitOf(session, 2 * session.reach() + 2);
    EXPECT_TRUE(roomy.fits);
    EXPECT_NEAR(roomy.marginMm, 1, 1e-9);
    const HoopFit tight = hoopFitOf(session, 2 * session.reach() - 4);
    EXPECT_FALSE(tight.fits);
    EXPECT_NEAR(tight.marginMm, -2, 1e-9);
}

// Every real design, in every format read: the store-held session writes the same program, trace
// and needle-move count as the file-held one, for a profile that re-bases and one that does not.
TEST_F(DesignSessionTest, RealDesignsGiveTheSameJobsFromTheStoreAsFromTheFile) {
    std::vector<fs::path> designs;
    for (const fs::path& dir : {fs::path(TESSALINE_REAL_DST_DIR), fs::path(TESSALINE_REAL_FORMATS_DIR)}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && extension != ".csv" && extension != ".md" && extension != ".tsv")
                designs.push_back(entry.path());
        }
    }
    if (designs.empty()) GTEST_SKIP() << "no real designs beside the checkout";
    WorkStore store(dir_ / WorkStore::kFileName);
    store.open();
    for (const fs::path& path : designs) {
        SCOPED_TRACE(path.filename().string());
        const DesignSession fromFile = DesignSession::open(path, Placement::Automatic);
        const DesignSession fromStore = DesignSession::openIntoStore(path, Placement::Automatic, store);
        EXPECT_EQ(fromStore.needleMoves(), fromFile.needleMoves());
        EXPECT_GT(fromFile.needleMoves(), 0u);
        for (const char* name : {"Classic", "LinuxCNC 2.9"}) {
            ProgramChoices choices;
            choices.profile = builtin(name);
            choices.resumeFrom = std::to_string(fromFile.needleMoves() / 2 + 1);
            std::ostringstream a, b, traceA, traceB;
            writeProgram(fromFile, programOptions(fromFile, choices), a);
            writeProgram(fromStore, programOptions(fromStore, choices), b);
            EXPECT_TRUE(a.str() == b.str()) << name;
            EXPECT_NE(a.str().find("RESUME AT NEEDLE MOVE"), std::string::npos) << name;
            writeTrace(fromFile, traceOptions(fromFile, choices), traceA);
            writeTrace(fromStore, traceOptions(fromStore, choices), traceB);
            EXPECT_EQ(traceA.str(), traceB.str()) << name;
        }
    }
}

}  // namespace
}  // namespace tessaline
