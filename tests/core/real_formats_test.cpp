// Real designs in every readable format besides DST, checked row by row against an independent
// reader's decode of them (positions after each command, 0.1 mm, y down) and its thread list.

#include "design/DesignFormat.h"

#include "common/NumberFormat.h"

#include "ReferenceCsv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

struct Row {
    std::string command;  // STITCH, JUMP, TRIM, COLOR_CHANGE, STOP or END
    double x = 0;         // 0.1 mm after the command, y down
    double y = 0;
};

std::vector<Row> readReference(const fs::path& csv) {
    std::vector<Row> rows;
    for (const auto& f : test::readCsvRows(csv)) {
        if (f.size() != 4) throw std::runtime_error(csv.string() + ": bad row");
        rows.push_back({f[1], parseLenient(f[2]), parseLenient(f[3])});
    }
    return rows;
}

std::string hexColour(const DesignThread& t) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", t.red, t.green, t.blue);
    return text;
}

struct ThreadRow {
    std::string color, description, catalog;
    bool operator==(const ThreadRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ThreadRow& t) {
    return out << t.color << " '" << t.description << "' '" << t.catalog << "'";
}

std::vector<ThreadRow> readThreads(const fs::path& csv) {
    std::vector<ThreadRow> rows;
    for (const auto& f : test::readCsvRows(csv)) {
        if (f.size() != 4) throw std::runtime_error(csv.string() + ": bad thread row");
        rows.push_back({f[1], f[2], f[3]});
    }
    return rows;
}

// Our records as the reference lists them: each record's command with the position where the
// next record starts (the end record stays where it is).
std::vector<Row> rowsOf(const std::vector<DesignRecord>& records) {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DesignRecord& end = i + 1 < records.size() ? records[i + 1] : records[i];
        std::string command;
        switch (records[i].kind) {
            case RecordKind::Stitch: command = "STITCH"; break;
            case RecordKind::Jump: command = "JUMP"; break;
            case RecordKind::Trim: command = "TRIM"; break;
            case RecordKind::ColourChange: command = i + 1 == records.size() ? "END" : "COLOR_CHANGE"; break;
            case RecordKind::Other: command = "?"; break;
        }
        rows.push_back({command, end.x * 10.0, end.y * 10.0});
    }
    return rows;
}

// The reference reader turns a colour change between two identical consecutive threads into a
// STOP and keeps only one of the two threads in its list (PES, PEC).
void applyStopRule(std::vector<Row>& rows, std::vector<DesignThread>& threads) {
    std::size_t block = 0;
    for (Row& row : rows) {
        if (row.command != "COLOR_CHANGE") continue;
        if (block + 1 < threads.size() && threads[block] == threads[block + 1]) row.command = "STOP";
        ++block;
    }
    threads.erase(std::unique(threads.begin(), threads.end()), threads.end());
}

// The reference JEF reader drops jumps that bring a run of jumps back to where it began, and
// adds a TRIM before a run of jumps that moves more than 3 mm in x or y unless the thread was
// just cut or changed.
std::vector<Row> applyJefJumpRules(const std::vector<Row>& rows) {
    std::vector<Row> out;
    bool trimmed = true;
    double x = 0, y = 0;
    for (std::size_t i = 0; i < rows.size();) {
        if (rows[i].command != "JUMP") {
            if (rows[i].command == "STITCH") trimmed = false;
            if (rows[i].command == "COLOR_CHANGE" || rows[i].command == "TRIM") trimmed = true;
            x = rows[i].x;
            y = rows[i].y;
            out.push_back(rows[i++]);
            continue;
        }
        std::vector<Row> run;
        for (; i < rows.size() && rows[i].command == "JUMP"; ++i) {
            run.push_back(rows[i]);
            if (rows[i].x == x && rows[i].y == y) run.clear();
        }
        if (run.empty()) continue;
        if (!trimmed && (std::fabs(run.back().x - x) > 30 || std::fabs(run.back().y - y) > 30)) {
            out.push_back({"TRIM", x, y});
            trimmed = true;
        }
        out.insert(out.end(), run.begin(), run.end());
        x = run.back().x;
        y = run.back().y;
    }
    return out;
}

// The reference VP3 reader leaves out the jump to a colour block's start point for some blocks
// (those whose start lies on x = 0) and stitches on from where the previous block ended. Where
// it does, our jump is dropped and our later positions are moved by what it moved.
std::vector<Row> applyVp3BlockStartRule(const std::vector<Row>& rows, const std::vector<Row>& reference) {
    std::vector<Row> out;
    double shiftX = 0, shiftY = 0;
    double x = 0, y = 0;  // our position before the row, unshifted
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool blockStart = i == 0 || rows[i - 1].command == "COLOR_CHANGE";
        const std::size_t at = out.size();
        if (blockStart && rows[i].command == "JUMP" && at < reference.size() && reference[at].command != "JUMP") {
            shiftX += rows[i].x - x;
            shiftY += rows[i].y - y;
        } else {
            // A kept jump to a block start goes to the same absolute point in both readers.
            if (blockStart && rows[i].command == "JUMP") shiftX = shiftY = 0;
            out.push_back({rows[i].command, rows[i].x - shiftX, rows[i].y - shiftY});
        }
        x = rows[i].x;
        y = rows[i].y;
    }
    return out;
}

// The reference SEW reader reads on past the end mark, so the zero bytes that pad the file after it
// come out as stitches that do not move, just before its END; those rows are left out.
std::vector<Row> dropSewPadding(std::vector<Row> reference, std::size_t ourRows) {
    while (reference.size() > ourRows && reference.size() >= 2) {
        const Row& padding = reference[reference.size() - 2];
        const Row& end = reference.back();
        if (padding.command != "STITCH" || padding.x != end.x || padding.y != end.y) break;
        reference.erase(reference.end() - 2);
    }
    return reference;
}

// The reference SHV reader starts two bytes before the stitch stream, on the colour list's last two
// bytes. It stitches them as a first move, which offsets every later position, and its word count
// runs one word ahead: each colour change comes before its block's last stitch, and one more comes
// before the end. Its rows are put back where the stream as written has them.
std::vector<Row> undoShvEarlyStart(const std::vector<Row>& reference) {
    std::vector<Row> out;
    if (reference.empty()) return out;
    const Row origin = reference.front();
    auto moved = [&](Row row) {
        row.x -= origin.x;
        row.y -= origin.y;
        return row;
    };
    for (std::size_t i = 1; i < reference.size(); ++i) {
        Row row = moved(reference[i]);
        if (row.command == "COLOR_CHANGE" && i + 1 < reference.size() && reference[i + 1].command == "STITCH") {
            const Row stitch = moved(reference[++i]);
            out.push_back(stitch);
            row.x = stitch.x;
            row.y = stitch.y;
        }
        out.push_back(row);
    }
    if (out.size() >= 2 && out[out.size() - 2].command == "COLOR_CHANGE") out.erase(out.end() - 2);
    return out;
}

// A PCS colour change before the first move only names the first block's thread; the reference
// keeps it as a row, ours gives no record for it. PCS positions are absolute, and the move to the
// first is a jump in ours where the reference may call it a stitch.
std::vector<Row> applyPcsStartRules(std::vector<Row> reference) {
    while (!reference.empty() && reference.front().command == "COLOR_CHANGE") reference.erase(reference.begin());
    if (!reference.empty() && reference.front().command == "STITCH") reference.front().command = "JUMP";
    return reference;
}

// "" when the rows agree, else the first row that differs, both ways.
std::string firstDifference(const std::vector<Row>& rows, const std::vector<Row>& reference) {
    const std::size_t common = std::min(rows.size(), reference.size());
    for (std::size_t i = 0; i < common; ++i) {
        const Row& a = rows[i];
        const Row& b = reference[i];
        if (a.command != b.command || std::fabs(a.x - b.x) > 1e-6 || std::fabs(a.y - b.y) > 1e-6) {
            return "row " + std::to_string(i) + ": " + a.command + " " + formatNumber(a.x) + "," + formatNumber(a.y) +
                   " against " + b.command + " " + formatNumber(b.x) + "," + formatNumber(b.y);
        }
    }
    return "";
}

struct Sample {
    fs::path file;
    DesignFormat format;
};

std::vector<Sample> samples() {
    std::vector<Sample> found;
    const fs::path root = TESSALINE_REAL_FORMATS_DIR;
    for (const fs::path& dir : {root, root / "written"}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const fs::path& path = entry.path();
            if (path.extension() == ".csv" || path.extension() == ".md" || path.extension() == ".tsv") continue;
            if (!entry.is_regular_file()) continue;
            const std::string ext = path.extension().string();
            std::vector<std::uint8_t> bytes = readDesignFile(path);
            found.push_back({path, detectFormat(bytes, path)});
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return found;
}

class RealFormats : public ::testing::Test {
protected:
    void SetUp() override {
        samples_ = samples();
        if (samples_.empty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_FORMATS_DIR;
    }
    std::vector<Sample> samples_;
};

TEST_F(RealFormats, EveryFileIsFoundAsTheFormatItsNameSays) {
    for (const Sample& s : samples_) {
        std::string extension = s.file.extension().string().substr(1);
        EXPECT_EQ(formatExtensions(s.format).front(), extension) << s.file;
    }
}

TEST_F(RealFormats, RecordsMatchTheReferenceRowByRow) {
    for (const Sample& s : samples_) {
        SCOPED_TRACE(s.file.string());
        std::vector<DesignRecord> records;
        DecodedDesign design;
        try {
            design = decodeDesignFile(s.file, readDesignFile(s.file), [&](const DesignRecord& r) { records.push_back(r); });
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_EQ(design.format, s.format);
        std::vector<Row> rows = rowsOf(records);
        std::vector<DesignThread> threads = design.threads;
        if (s.format == DesignFormat::Pes || s.format == DesignFormat::Pec) applyStopRule(rows, threads);
        if (s.format == DesignFormat::Jef) rows = applyJefJumpRules(rows);

        std::vector<Row> reference = readReference(fs::path(s.file.string() + ".ref.csv"));
        if (s.format == DesignFormat::Vp3) rows = applyVp3BlockStartRule(rows, reference);
        if (s.format == DesignFormat::Sew) reference = dropSewPadding(reference, rows.size());
        if (s.format == DesignFormat::Shv) reference = undoShvEarlyStart(reference);
        if (s.format == DesignFormat::Pcs) reference = applyPcsStartRules(reference);
        EXPECT_EQ(firstDifference(rows, reference), "");
        EXPECT_EQ(rows.size(), reference.size());

        // PES files from version 5 on carry their own thread table, and the colours come from it
        // (reorder.pes's are no PEC chart colours at all). A table whose layout is not read (the
        // UTF-16 texts of version 11) leaves the PEC chart's threads, as in the reference.
        const std::vector<ThreadRow> expected = readThreads(fs::path(s.file.string() + ".threads.csv"));
        std::vector<ThreadRow> actual;
        for (const DesignThread& t : threads) actual.push_back({hexColour(t), t.description, t.catalogNumber});
        if (s.format == DesignFormat::Pcs) {
            // The reference lists the file's colour slots; ours are the slots the blocks pick, in order.
            EXPECT_EQ(actual.size(), design.figures.colours);
            for (const ThreadRow& t : actual) EXPECT_NE(std::find(expected.begin(), expected.end(), t), expected.end()) << t;
            continue;
        }
        EXPECT_EQ(actual, expected);
    }
}

}  // namespace
}  // namespace tessaline
