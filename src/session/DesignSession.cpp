#include "session/DesignSession.h"

#include "design/DesignFile.h"
#include "design/HoopFit.h"
#include "design/WorkStore.h"

namespace tessaline {

namespace {

// The records' kinds, fed to a sink that reads nothing else of them.
void walkKinds(const std::vector<RecordKind>& kinds, const RecordSink& sink) {
    DesignRecord record;
    for (const RecordKind kind : kinds) {
        record.kind = kind;
        sink(record);
    }
}

}  // namespace

void DesignSession::note(const DesignRecord& record) {
    kinds_.push_back(record.kind);
    if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) ++needleMoves_;
}

void DesignSession::finish(const std::filesystem::path& path, PlacedDesign placed) {
    path_ = path;
    design_ = std::move(placed.design);
    shift_ = placed.shift;
    texts_ = figureTexts(design_.figures, bareFileName(path.string()));
}

DesignSession DesignSession::open(const std::filesystem::path& path, Placement placement) {
    DesignSession session;
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(readDesignFile(path));
    DesignReach reach;
    PlacedDesign placed = decodePlacedDesignFile(path, *bytes, placement, [&](const DesignRecord& record) {
        session.note(record);
        reach.add(record);
    });
    session.reach_ = reach.radius();
    session.bytes_ = std::move(bytes);
    session.finish(path, std::move(placed));
    return session;
}

DesignSession DesignSession::openIntoStore(const std::filesystem::path& path, Placement placement,
                                           WorkStore& store, const std::function<void()>& beforeStoring) {
    const std::vector<std::uint8_t> bytes = readDesignFile(path);
    if (beforeStoring) beforeStoring();
    DesignSession session;
    DesignReach reach;
    PlacedDesign placed;
    store.replaceDesign([&](const RecordSink& sink) {
        placed = decodePlacedDesignFile(path, bytes, placement, [&](const DesignRecord& record) {
            // Only the store can change under the session; the file's bytes are held, so a
            // session opened from its file spends nothing on a seal.
            session.seal_.add(record);
            session.note(record);
            reach.add(record);
            sink(record);
        });
    });
    session.reach_ = reach.radius();
    session.store_ = &store;
    session.finish(path, std::move(placed));
    return session;
}

void DesignSession::walk(const RecordSink& sink) const {
    if (store_) {
        forEachSealedRecord(*store_, seal_, sink);
    } else {
        decodeShiftedDesign(design_.format, *bytes_, shift_, sink);
    }
}

NeedlePlan DesignSession::needlePlan(const MachineProfile& profile, double step) const {
    NeedlePlanner planner(profile, step);
    walkKinds(kinds_, [&planner](const DesignRecord& record) { planner.add(record); });
    return planner.plan();
}

}  // namespace tessaline
