#pragma once
// One reader per design format, each a pure function from bytes to records (handed to sink)
// plus the design's thread list. Each throws DesignFormatError for bad input and never reads
// outside bytes. Moves are turned into 0.1 mm with y pointing down, as the DST reader stores them.

#include "design/DesignFormat.h"

namespace tessaline {

// A file shorter than the DST header is refused; the rest is decodeDst.
DecodedDesign readDst(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readPes(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readPec(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readJef(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readExp(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readVp3(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readXxx(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readHus(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readSew(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readShv(std::span<const std::uint8_t> bytes, const RecordSink& sink);
DecodedDesign readPcs(std::span<const std::uint8_t> bytes, const RecordSink& sink);

// The fixed thread charts files refer to by number: Brother's 64 PEC threads (index 0 is
// "Unknown"), Janome's 79 JEF threads (index 0 is a placeholder) and Janome's chart as SEW numbers
// it, Husqvarna Viking's 29 HUS threads and its SHV chart. A number past a chart's end wraps round.
const DesignThread& pecThread(std::size_t index);
const DesignThread& jefThread(std::size_t index);
const DesignThread& sewThread(std::size_t index);
const DesignThread& husThread(std::size_t index);
const DesignThread& shvThread(std::size_t index);
std::size_t pecThreadCount();
std::size_t jefThreadCount();

// A JEF colour list's chart numbers as the thread of each colour block. Slot 0 is a stop, not a
// thread: its block keeps the thread before it (or the first one, before any).
std::vector<DesignThread> jefBlockThreads(const std::vector<std::size_t>& chartNumbers);

// The thread table of a PES section (versions 5 to 7), one entry per colour block; empty when the
// file has none, or one whose layout is not known, or one that does not count colourBlocks entries.
std::vector<DesignThread> pesThreadTable(std::span<const std::uint8_t> bytes, std::size_t colourBlocks);

}  // namespace tessaline
