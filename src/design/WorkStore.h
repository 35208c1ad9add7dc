#pragma once
// The work store: the file Gcode.mdb that holds the loaded design as the table GcodeFinal,
// one row per design record in stitching order. No connection is held between operations;
// each one opens the file and releases it when it ends.

#include "common/PathError.h"
#include "design/DesignRecord.h"
#include "design/DstDecoder.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tessaline {

// The store cannot be created, opened, read or written; what() is "<path>: <reason>".
class StoreError : public PathError {
public:
    using PathError::PathError;
};

// Walks the design rows one at a time on its own connection, seeing the design as it was when
// the walk began even if the design is replaced meanwhile. Releases the connection at the end.
class RecordCursor {
public:
    RecordCursor(RecordCursor&&) noexcept;
    RecordCursor& operator=(RecordCursor&&) noexcept;
    ~RecordCursor();

    // Fills record with the next row and returns true, or returns false after the last row.
    // Throws StoreError.
    bool next(DesignRecord& record);

private:
    friend class WorkStore;
    struct State;
    explicit RecordCursor(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

class WorkStore {
public:
    static constexpr const char* kFileName = "Gcode.mdb";
    static constexpr std::chrono::milliseconds kDefaultBusyTimeout{3000};

    // A row as stored, by ordinal 0-7: Null, text or number.
    using Cell = std::variant<std::monostate, std::string, double>;
    using Row = std::array<Cell, 8>;

    // A damaged store was moved aside and a fresh one made in its place.
    struct Recovery {
        std::filesystem::path damagedFile;
        std::filesystem::path file;
    };

    // file is the full path of the store; busyTimeout is how long an operation waits for
    // another program that holds the store before it gives up.
    explicit WorkStore(std::filesystem::path file, std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);

    const std::filesystem::path& file() const { return file_; }

    // Creates the file and its tables when missing and checks that it is a usable store.
    // A damaged file (or one that is no database) is moved aside and replaced; the result says so.
    // Throws StoreError when the location is not writable or the store is in use.
    std::optional<Recovery> open();

    // Deletes every row, then appends each record that produce hands to its sink, all in one
    // transaction: when produce or an append throws, the previous design stays and the exception
    // goes on (SQLite failures as StoreError).
    void replaceDesign(const std::function<void(const RecordSink&)>& produce);

    // Every row in insertion order as a design record: an unknown kind letter gives
    // RecordKind::Other, a Null position keeps the previous row's value (0 for the first),
    // and text positions are read leniently. Throws StoreError.
    void forEachRecord(const RecordSink& visit) const;
    RecordCursor cursor() const;

    // Every row in insertion order, cell by cell, as stored.
    std::vector<Row> rows() const;
    std::uint64_t recordCount() const;

private:
    std::filesystem::path file_;
    std::chrono::milliseconds busyTimeout_;
};

}  // namespace tessaline
