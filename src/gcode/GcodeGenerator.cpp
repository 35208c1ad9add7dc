#include "gcode/GcodeGenerator.h"

#include "common/NumberFormat.h"
#include "common/Version.h"

#include <string>
#include <string_view>

namespace tessaline {

namespace {

constexpr std::string_view kEol = "\r\n";
// Lines collect in memory and go to the stream in chunks of about this size: one ostream call
// per chunk instead of several per line keeps generation close to raw disk speed.
constexpr std::size_t kChunk = 64 * 1024;
// Room for one record's lines past a full chunk, so the buffer does not grow in practice.
constexpr std::size_t kLineReserve = 256;

}  // namespace

struct GcodeWriter::State {
    std::ostream& out;
    double zStep;
    bool invertX;
    bool invertY;
    bool emitM786;
    bool emitM02;
    bool emitM30;

    double z;
    bool jumpRun = false;
    bool stitchRun = false;
    bool finished = false;
    std::string buffer;

    State(const GcodeOptions& options, std::ostream& stream)
        : out(stream),
          zStep(options.zStep),
          invertX(options.invertX),
          invertY(options.invertY),
          emitM786(options.emitM786),
          emitM02(options.emitM02),
          emitM30(options.emitM30),
          z(options.zStep) {
        buffer.reserve(kChunk + kLineReserve);
    }

    void line(std::string_view text) {
        buffer.append(text);
        buffer.append(kEol);
    }

    // Header texts come from text boxes whose line breaks may be a bare LF (or CR); written
    // as CR LF so that every line of the program ends the same way.
    void text(std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (ch == '\r') {
                buffer.append(kEol);
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            } else if (ch == '\n') {
                buffer.append(kEol);
            } else {
                buffer.push_back(ch);
            }
        }
    }

    void commentLine(std::string_view before, std::string_view value) {
        buffer.append(before);
        text(value);
        buffer.push_back(')');
        buffer.append(kEol);
    }

    // "G01 X<x> Y<y>", without the blank that follows.
    void xyWords(const DesignRecord& record) {
        buffer.append("G01 X");
        appendNumber(buffer, invertX ? -record.x : record.x);
        buffer.append(" Y");
        appendNumber(buffer, invertY ? -record.y : record.y);
    }

    // Move line then stroke line; each Z word is followed by one advance of the needle drive.
    void moveAndStroke(const DesignRecord& record) {
        xyWords(record);
        buffer.append(" Z");
        appendNumber(buffer, z);
        z += zStep;
        buffer.append(" \r\nG01 Z");
        appendNumber(buffer, z);
        z += zStep;
        buffer.append(" \r\n");
    }

    void drain() {
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
    State& s = *state_;
    s.line(std::string("(The Gcode created with ") + kProgramName + " V" + versionText() + ")");
    s.line("(Program Author: Marovek)");
    s.commentLine("(File Name: ", options.fileName);
    s.buffer.append("(Height x Width of Design ");
    s.text(options.heightText);
    s.buffer.append(" x ");
    s.commentLine("", options.widthText);
    s.commentLine("(Total No. of Stitches: ", options.stitchCountText);
    s.commentLine("(Total No. of Colors: ", options.colourCountText);
    s.commentLine("(Important Notes: ", options.notes);
    if (options.emitG90) s.line("G90");
    if (options.emitG21) s.line("G21");
    if (options.emitG64) s.line("G64");
    s.buffer.append("F ");
    s.text(options.feedText);
    s.buffer.append(kEol);
    s.drain();
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

void GcodeWriter::add(const DesignRecord& record) {
    State& s = *state_;
    switch (record.kind) {
    case RecordKind::Jump:
        if (!s.jumpRun) {
            s.line("(NEEDLE UP RAPID MOVE- Light bulb Off if On)");
            s.line("M09");
        }
        s.moveAndStroke(record);
        s.jumpRun = true;
        s.stitchRun = false;
        break;
    case RecordKind::Stitch:
        if (!s.stitchRun) {
            s.line("(START STITCHING- Light Bulb Off if On)");
            s.line("M09");
        }
        s.moveAndStroke(record);
        s.stitchRun = true;
        s.jumpRun = false;
        break;
    case RecordKind::ColourChange:
        s.jumpRun = false;
        s.stitchRun = false;
        s.line("(THREAD COLOR CHANGE- M7 Light Bulb On)");
        s.xyWords(record);
        s.buffer.append(" \r\n");
        s.line("M07");
        s.line("M06");
        break;
    case RecordKind::Trim:
    case RecordKind::Other:
        return;
    }
    s.drainIfFull();
}

void GcodeWriter::finish() {
    State& s = *state_;
    if (s.finished) return;
    s.finished = true;
    if (s.emitM786) s.line("M786");
    if (s.emitM02) s.line("M02");
    if (s.emitM30) s.line("M30");
    s.drain();
    s.out.flush();
}

void generateGcode(const GcodeOptions& options, std::span<const DesignRecord> records, std::ostream& out) {
    GcodeWriter writer(options, out);
    for (const DesignRecord& record : records) writer.add(record);
    writer.finish();
}

}  // namespace tessaline
