#pragma once
// A fingerprint of a design's records (their number and an FNV-1a hash of kind and position),
// taken as the design is stored and checked whenever it is read back, so that a window never
// writes or shows records that another window or program put in the store meanwhile.

#include "design/DesignRecord.h"
#include "design/DstDecoder.h"

#include <cstdint>

namespace tessaline {

class WorkStore;

class DesignSeal {
public:
    void add(const DesignRecord& record);
    std::uint64_t records() const { return records_; }
    bool operator==(const DesignSeal&) const = default;

private:
    std::uint64_t records_ = 0;
    std::uint64_t hash_ = 14695981039346656037ULL;
};

// Checks records read back from the store against the seal taken when they were stored.
class SealCheck {
public:
    // With no seal, every record passes.
    SealCheck(const WorkStore& store, const DesignSeal* expected) : store_(store), expected_(expected) {}
    // Throws StoreError once more records come than were sealed.
    void add(const DesignRecord& record);
    // Throws StoreError when the records read differ from those sealed.
    void finish() const;

private:
    const WorkStore& store_;
    const DesignSeal* expected_;
    DesignSeal found_;
};

// Hands every stored record to visit, as WorkStore::forEachRecord does, and throws StoreError
// when the store holds other records than those sealed: more of them as soon as that shows, else
// after the last one. Callers that write make their output atomic, so nothing of a foreign
// design gets out.
void forEachSealedRecord(const WorkStore& store, const DesignSeal& expected, const RecordSink& visit);

}  // namespace tessaline
