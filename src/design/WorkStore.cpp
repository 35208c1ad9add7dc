#include "design/WorkStore.h"

#include "common/NumberFormat.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace tessaline {

namespace {

constexpr std::string_view kInUse = "the work store is in use by another program";

// Columns are addressed by ordinal; the names only document them. No declared types, so every
// value comes back exactly as it was written (text stays text, Null stays Null).
constexpr const char* kCreateDesignTable =
    "CREATE TABLE GcodeFinal (kind, motion, x, y, marker, spare5, spare6, spare7)";
constexpr const char* kCreateBindingTable =
    "CREATE TABLE Gcode1 (kind, motion, x, y, marker, spare5, spare6, spare7)";
constexpr int kColumns = 8;

bool isBusy(const SQLite::Exception& e) {
    const int code = e.getErrorCode();
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool isDamage(const SQLite::Exception& e) {
    const int code = e.getErrorCode();
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

StoreError storeError(const std::filesystem::path& file, const SQLite::Exception& e) {
    return StoreError(file, isBusy(e) ? std::string(kInUse) : std::string(e.what()));
}

// Found while checking an open store: the file is a database but not a usable work store.
struct Damaged {
    std::string reason;
};

// Throws StoreError for a missing file, SQLite::Exception for the rest.
SQLite::Database connect(const std::filesystem::path& file, std::chrono::milliseconds busyTimeout) {
    // Without this check SQLite would only say "unable to open database file".
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        throw StoreError(file, std::system_category().message(ec ? ec.value() : ENOENT));
    }
    // Each connection lives and dies on one thread, so SQLite's per-call locking is not needed.
    SQLite::Database db(file, SQLite::OPEN_READWRITE | SQLite::OPEN_NOMUTEX, static_cast<int>(busyTimeout.count()));
    // Safe with the write-ahead log: a crash can lose the last design, never damage the file.
    db.exec("PRAGMA synchronous=NORMAL");
    return db;
}

// Text and blob cells as bytes; the pointer is taken before the size, as SQLite requires.
std::string_view cellBytes(const SQLite::Column& column) {
    const auto* data = static_cast<const char*>(column.getBlob());
    const auto size = static_cast<std::size_t>(column.getBytes());
    return data == nullptr ? std::string_view() : std::string_view(data, size);
}

double cellNumber(const SQLite::Column& column, double previous) {
    switch (column.getType()) {
        case SQLITE_NULL: return previous;
        case SQLITE_TEXT:
        case SQLITE_BLOB: return parseLenient(cellBytes(column));
        default: return column.getDouble();
    }
}

RecordKind cellKind(const SQLite::Column& column) {
    if (column.getType() != SQLITE_TEXT) return RecordKind::Other;
    const std::string_view text = cellBytes(column);
    if (text.size() != 1) return RecordKind::Other;
    switch (text[0]) {
        case 'N': return RecordKind::Stitch;
        case 'J': return RecordKind::Jump;
        case 'C': return RecordKind::ColourChange;
        case 'T': return RecordKind::Trim;
        default: return RecordKind::Other;
    }
}

// The design rows as records (ordinals 0, 2 and 3), carrying the previous position for Null cells.
class RecordReader {
public:
    DesignRecord read(const SQLite::Statement& statement) {
        DesignRecord record;
        record.kind = cellKind(statement.getColumn(0));
        record.x = x_ = cellNumber(statement.getColumn(2), x_);
        record.y = y_ = cellNumber(statement.getColumn(3), y_);
        return record;
    }

private:
    double x_ = 0;
    double y_ = 0;
};

// Whole rows, read by ordinal: the columns' names are whatever the file has.
constexpr const char* kSelectRows = "SELECT * FROM GcodeFinal ORDER BY rowid";

std::string twoDigits(int value) {
    return (value < 10 ? "0" : "") + formatInteger(value);
}

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return formatInteger(local.tm_year + 1900) + twoDigits(local.tm_mon + 1) + twoDigits(local.tm_mday) + "-" +
           twoDigits(local.tm_hour) + twoDigits(local.tm_min) + twoDigits(local.tm_sec);
}

std::filesystem::path withSuffix(const std::filesystem::path& file, const std::string& suffix) {
    std::filesystem::path result = file;
    result += suffix;
    return result;
}

// Makes sure the file exists and may be written, with the system's reason when not.
void touch(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw StoreError(file, std::system_category().message(errno));
    ::close(fd);
}

// Opens the store, switches it to the write-ahead log (a draw pass reads while a new design may
// be stored), and creates the tables that are missing. Throws Damaged or SQLite::Exception.
void prepare(const std::filesystem::path& file, std::chrono::milliseconds busyTimeout) {
    SQLite::Database db = connect(file, busyTimeout);
    SQLite::Statement journal(db, "PRAGMA journal_mode=WAL");
    if (!journal.executeStep() || journal.getColumn(0).getString() != "wal") {
        throw Damaged{"the store cannot keep a write-ahead log"};
    }
    SQLite::Statement check(db, "PRAGMA quick_check");
    if (!check.executeStep()) throw Damaged{"the store fails its integrity check"};
    if (const std::string verdict = check.getColumn(0).getString(); verdict != "ok") throw Damaged{verdict};
    check.reset();
    if (!db.tableExists("GcodeFinal")) db.exec(kCreateDesignTable);
    if (!db.tableExists("Gcode1")) db.exec(kCreateBindingTable);
    SQLite::Statement columns(db, "SELECT count(*) FROM pragma_table_info('GcodeFinal')");
    if (!columns.executeStep() || columns.getColumn(0).getInt() < kColumns) {
        throw Damaged{"the design table lacks columns"};
    }
}

// Appends design rows in stored order. Rows go in batches of kBatch per statement, which halves
// the cost of a large design; the last few go one by one.
class RowWriter {
public:
    explicit RowWriter(SQLite::Database& db) : batch_(db, insertSql(kBatch)), single_(db, insertSql(1)) {}

    void append(const DesignRecord& record) {
        pending_[count_++] = record;
        if (count_ == kBatch) {
            for (std::size_t i = 0; i < kBatch; ++i) bindRow(batch_, static_cast<int>(i), pending_[i]);
            execute(batch_);
            count_ = 0;
        }
    }

    void finish() {
        for (std::size_t i = 0; i < count_; ++i) {
            bindRow(single_, 0, pending_[i]);
            execute(single_);
        }
        count_ = 0;
    }

private:
    static constexpr std::size_t kBatch = 64;
    static constexpr int kBoundPerRow = 5;

    static std::string insertSql(std::size_t rows) {
        std::string sql = "INSERT INTO GcodeFinal VALUES ";
        for (std::size_t i = 0; i < rows; ++i) {
            if (i != 0) sql += ", ";
            sql += "(?, ?, ?, ?, ?, NULL, NULL, NULL)";
        }
        return sql;
    }

    // Ordinals 0-4 of one row: kind letter, motion word (Null on colour changes), X, Y, marker.
    static void bindRow(SQLite::Statement& statement, int row, const DesignRecord& record) {
        const int first = row * kBoundPerRow + 1;
        switch (record.kind) {
            case RecordKind::Stitch:
                statement.bindNoCopy(first, "N");
                statement.bindNoCopy(first + 1, "G01");
                statement.bindNoCopy(first + 4, "A359");
                break;
            case RecordKind::Jump:
                statement.bindNoCopy(first, "J");
                statement.bindNoCopy(first + 1, "G00");
                statement.bindNoCopy(first + 4, "");
                break;
            case RecordKind::ColourChange:
            case RecordKind::Trim:
            case RecordKind::Other:
                statement.bindNoCopy(first, record.kind == RecordKind::ColourChange ? "C"
                                            : record.kind == RecordKind::Trim       ? "T"
                                                                                    : "?");
                statement.bind(first + 1);
                statement.bindNoCopy(first + 4, "");
                break;
        }
        statement.bind(first + 2, record.x);
        statement.bind(first + 3, record.y);
    }

    static void execute(SQLite::Statement& statement) {
        statement.exec();
        statement.reset();
    }

    SQLite::Statement batch_;
    SQLite::Statement single_;
    std::array<DesignRecord, kBatch> pending_{};
    std::size_t count_ = 0;
};

}  // namespace

struct RecordCursor::State {
    State(const std::filesystem::path& file, std::chrono::milliseconds busyTimeout)
        : path(file), db(connect(file, busyTimeout)), statement(db, kSelectRows) {}
    std::filesystem::path path;
    SQLite::Database db;
    SQLite::Statement statement;
    RecordReader reader;
};

RecordCursor::RecordCursor(std::unique_ptr<State> state) : state_(std::move(state)) {}
RecordCursor::RecordCursor(RecordCursor&&) noexcept = default;
RecordCursor& RecordCursor::operator=(RecordCursor&&) noexcept = default;
RecordCursor::~RecordCursor() = default;

bool RecordCursor::next(DesignRecord& record) {
    if (!state_) return false;
    try {
        if (!state_->statement.executeStep()) {
            state_.reset();  // lets go of the snapshot and the file as soon as the walk is over
            return false;
        }
        record = state_->reader.read(state_->statement);
        return true;
    } catch (const SQLite::Exception& e) {
        const std::filesystem::path path = state_->path;
        state_.reset();
        throw storeError(path, e);
    }
}

WorkStore::WorkStore(std::filesystem::path file, std::chrono::milliseconds busyTimeout)
    : file_(std::move(file)), busyTimeout_(busyTimeout) {}

std::optional<WorkStore::Recovery> WorkStore::open() {
    touch(file_);
    try {
        prepare(file_, busyTimeout_);
        return std::nullopt;
    } catch (const Damaged&) {
    } catch (const SQLite::Exception& e) {
        if (!isDamage(e)) throw storeError(file_, e);
    }

    // Keep the damaged file (and its log, which belongs to it) for whoever wants to look at it.
    std::filesystem::path damaged = withSuffix(file_, ".damaged-" + timeStamp());
    for (int n = 2; std::filesystem::exists(damaged); ++n) {
        damaged = withSuffix(file_, ".damaged-" + timeStamp() + "-" + formatInteger(n));
    }
    std::error_code ec;
    std::filesystem::rename(file_, damaged, ec);
    if (ec) throw StoreError(file_, "the store is damaged and cannot be moved aside: " + ec.message());
    for (const char* companion : {"-wal", "-shm"}) {
        const auto log = withSuffix(file_, companion);
        if (std::filesystem::exists(log, ec)) std::filesystem::rename(log, withSuffix(damaged, companion), ec);
    }

    touch(file_);
    try {
        prepare(file_, busyTimeout_);
    } catch (const Damaged& d) {
        throw StoreError(file_, d.reason);
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
    return Recovery{damaged, file_};
}

void WorkStore::replaceDesign(const std::function<void(const RecordSink&)>& produce) {
    try {
        SQLite::Database db = connect(file_, busyTimeout_);
        // The rows are scratch data: no need to overwrite the old design's pages with zeros.
        db.exec("PRAGMA secure_delete=OFF");
        // Immediate: wait for the write lock now rather than fail halfway through the rows.
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        db.exec("DELETE FROM GcodeFinal");
        RowWriter writer(db);
        produce([&writer](const DesignRecord& record) { writer.append(record); });
        writer.finish();
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
}

void WorkStore::forEachRecord(const RecordSink& visit) const {
    try {
        SQLite::Database db = connect(file_, busyTimeout_);
        SQLite::Statement select(db, kSelectRows);
        RecordReader reader;
        while (select.executeStep()) visit(reader.read(select));
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
}

RecordCursor WorkStore::cursor() const {
    try {
        return RecordCursor(std::make_unique<RecordCursor::State>(file_, busyTimeout_));
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
}

std::vector<WorkStore::Row> WorkStore::rows() const {
    try {
        SQLite::Database db = connect(file_, busyTimeout_);
        SQLite::Statement select(db, kSelectRows);
        const int columns = std::min(select.getColumnCount(), kColumns);
        std::vector<Row> result;
        while (select.executeStep()) {
            Row& row = result.emplace_back();
            for (int i = 0; i < columns; ++i) {
                const SQLite::Column column = select.getColumn(i);
                auto& cell = row[static_cast<std::size_t>(i)];
                switch (column.getType()) {
                    case SQLITE_NULL: break;
                    case SQLITE_TEXT:
                    case SQLITE_BLOB: cell = std::string(cellBytes(column)); break;
                    default: cell = column.getDouble(); break;
                }
            }
        }
        return result;
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
}

std::uint64_t WorkStore::recordCount() const {
    try {
        SQLite::Database db = connect(file_, busyTimeout_);
        SQLite::Statement count(db, "SELECT count(*) FROM GcodeFinal");
        count.executeStep();
        return static_cast<std::uint64_t>(count.getColumn(0).getInt64());
    } catch (const SQLite::Exception& e) {
        throw storeError(file_, e);
    }
}

}  // namespace tessaline
