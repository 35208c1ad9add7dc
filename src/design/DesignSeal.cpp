#include "design/DesignSeal.h"

#include "design/WorkStore.h"


namespace tessaline {

namespace {

constexpr std::uint64_t kPrime = 1099511628211ULL;
constexpr const char* kChanged =
    "the stored design is no longer the one this window loaded (another window or program replaced or "
    "emptied it); open the design again";

std::uint64_t mix(std::uint64_t hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * kPrime;
    return hash;
}

}  // namespace

void DesignSeal::add(const DesignRecord& record) {
    const char kind = static_cast<char>(record.kind);
    // Positions by their bits: the store gives back exactly the doubles it was given.
    hash_ = mix(hash_, &kind, 1);
    hash_ = mix(hash_, &record.x, sizeof record.x);
    hash_ = mix(hash_, &record.y, sizeof record.y);
    ++records_;
}

void SealCheck::add(const DesignRecord& record) {
    if (!expected_) return;
    found_.add(record);
    if (found_.records() > expected_->records()) throw StoreError(store_.file(), kChanged);
}

void SealCheck::finish() const {
    if (expected_ && !(found_ == *expected_)) throw StoreError(store_.file(), kChanged);
}

void forEachSealedRecord(const WorkStore& store, const DesignSeal& expected, const RecordSink& visit) {
    SealCheck check(store, &expected);
    store.forEachRecord([&](const DesignRecord& record) {
        check.add(record);
        visit(record);
    });
    check.finish();
}

}  // namespace tessaline
