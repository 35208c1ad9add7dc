#pragma once
// One opened design: its file read, decoded and placed once, its figures and threads kept, and
// its records handed out again on every walk from where they are held (the file's bytes, or the
// work store checked against the seal taken when they were stored).

#include "design/DesignFormat.h"
#include "design/DesignSeal.h"
#include "design/FigureTexts.h"
#include "design/Placement.h"
#include "gcode/NeedlePlan.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessaline {

class WorkStore;

class DesignSession {
public:
    // Reads and decodes path, placed as placement asks; every walk decodes the held bytes again
    // (decoding is cheap, held records are not). Throws DesignFileError naming path.
    static DesignSession open(const std::filesystem::path& path, Placement placement);
    // Reads path, then (after beforeStoring, which may throw to give up) decodes it into store in
    // one replacement: a file that cannot be read or decoded leaves the stored design as it was.
    // Every walk re-reads the store and refuses records other than those sealed now.
    // Throws DesignFileError naming path, StoreError naming the store.
    static DesignSession openIntoStore(const std::filesystem::path& path, Placement placement, WorkStore& store,
                                       const std::function<void()>& beforeStoring = {});

    const std::filesystem::path& path() const { return path_; }
    DesignFormat format() const { return design_.format; }
    const DesignFigures& figures() const { return design_.figures; }
    // The figures as the window shows them, named by the file's bare name.
    const FigureTexts& texts() const { return texts_; }
    const std::vector<DesignThread>& threads() const { return design_.threads; }
    DesignShift shift() const { return shift_; }
    // The records sealed as stored; empty for a session opened from its file.
    const DesignSeal& seal() const { return seal_; }
    // mm, the farthest any placed position lies from the origin (for hoopFit).
    double reach() const { return reach_; }
    // Every record's kind in stitching order: all a needle plan counts.
    const std::vector<RecordKind>& kinds() const { return kinds_; }
    // Stitch and jump records, counted from 1 by a resumed program.
    std::uint64_t needleMoves() const { return needleMoves_; }
    bool inStore() const { return store_ != nullptr; }

    // Hands the placed records to sink in stitching order. From the store: throws StoreError when
    // it no longer holds the sealed records (more of them at once, otherwise after the last).
    void walk(const RecordSink& sink) const;
    // The needle plan of the design for a profile and needle step, counted from the kinds.
    NeedlePlan needlePlan(const MachineProfile& profile, double step) const;

private:
    DesignSession() = default;
    // Takes in one decoded record's kind.
    void note(const DesignRecord& record);
    void finish(const std::filesystem::path& path, PlacedDesign placed);

    std::filesystem::path path_;
    DecodedDesign design_;
    FigureTexts texts_;
    DesignShift shift_;
    DesignSeal seal_;
    double reach_ = 0;
    std::vector<RecordKind> kinds_;
    std::uint64_t needleMoves_ = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;  // none when the store holds the records
    const WorkStore* store_ = nullptr;
};

}  // namespace tessaline
