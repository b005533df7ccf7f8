#include "service/sqlite_engine.h"

#include "common/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vxs {
namespace {

bool inMemory(const std::string& path) {
    return path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0;
}

// The database holds installation ids and password hashes: only the service's user may read it.
// SQLite gives its side files the database file's mode, so the file is made (or narrowed) first,
// and side files an older service left are narrowed as well.
bool makePrivate(const std::string& path, std::string* error) {
    vx::FileOpening why{};
    const int fd = vx::openRegularFileWith(path.c_str(), O_RDWR | O_CREAT, 0600, &why);
    if (why == vx::FileOpening::notRegular) {
        *error = "database " + path + " is not a regular file";
        return false;
    }
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        if (fd >= 0) ::close(fd);
        *error = "cannot make database " + path + " private";
        return false;
    }
    ::close(fd);
    for (const char* side : {"-wal", "-shm", "-journal"})
        if (::chmod((path + side).c_str(), 0600) != 0 && errno != ENOENT) {
            *error = "cannot make " + path + side + " private";
            return false;
        }
    return true;
}

} // namespace

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, statement] : statements_)
        sqlite3_finalize(statement);
    sqlite3_close(db_);
}

void SqliteConnection::fail(int code, const std::string& doing) {
    const std::string what = doing + ": " + sqlite3_errmsg(db_);
    const int primary = code & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        throw StoreError(StoreError::Kind::Unavailable, what);
    throw StoreError(StoreError::Kind::Failed, what);
}

sqlite3_stmt* SqliteConnection::prepared(std::string_view sql) {
    if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
    sqlite3_stmt* statement = nullptr;
    const int code = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (code != SQLITE_OK) fail(code, "cannot prepare a statement");
    statements_.emplace(std::string(sql), statement);
    return statement;
}

SqlResult SqliteConnection::run(std::string_view sql, const SqlParams& params) {
    sqlite3_stmt* statement = prepared(sql);
    // Resets the statement however this call ends, so its locks are let go.
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } reset{statement};
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (const auto* text = std::get_if<std::string>(&params[i])) {
            if (!storableText(*text)) throw StoreError(StoreError::Kind::Refused, "a text holds NUL");
            sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
        } else {
            sqlite3_bind_int64(statement, index, std::get<long long>(params[i]));
        }
    }
    SqlResult result;
    const long long before = sqlite3_total_changes64(db_);
    const int columns = sqlite3_column_count(statement);
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        SqlRow row;
        row.cells.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const unsigned char* text = sqlite3_column_text(statement, c);
            row.cells.emplace_back(text ? reinterpret_cast<const char*>(text) : "",
                                   text ? static_cast<std::size_t>(sqlite3_column_bytes(statement, c)) : 0);
        }
        result.rows.push_back(std::move(row));
    }
    if (code != SQLITE_DONE) fail(code, "a statement failed");
    result.changes = sqlite3_total_changes64(db_) - before;
    return result;
}

void SqliteConnection::script(const std::string& sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (code == SQLITE_OK) return;
    const std::string what = message ? message : "?";
    sqlite3_free(message);
    throw StoreError(StoreError::Kind::Failed, "cannot change the schema: " + what);
}

void SqliteConnection::begin(TransactionKind) {
    run(readOnly_ ? "BEGIN" : "BEGIN IMMEDIATE");
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const std::string& path, std::string* error,
                                                     bool readOnly) {
    if (readOnly) {
        // Checked without waiting first: SQLite's own open would wait on a FIFO.
        vx::FileOpening why{};
        const int fd = vx::openRegularFile(path.c_str(), &why);
        if (fd < 0) {
            *error = why == vx::FileOpening::notRegular ? "database " + path + " is not a regular file"
                                                        : "no database at " + path;
            return nullptr;
        }
        ::close(fd);
    } else if (!inMemory(path) && !makePrivate(path, error)) {
        return nullptr;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db,
                        readOnly ? SQLITE_OPEN_READONLY
                                 : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                       (path.rfind("file:", 0) == 0 ? SQLITE_OPEN_URI : 0),
                        nullptr) != SQLITE_OK) {
        *error = "cannot open database " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    if (readOnly) return std::make_unique<SqliteDatabase>(db, true);
    // WAL: readers in other processes do not wait for a writer.
    if (sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = "cannot open database " + path + ": " + sqlite3_errmsg(db);
        sqlite3_close(db);
        return nullptr;
    }
    return std::make_unique<SqliteDatabase>(db);
}

Lease SqliteDatabase::lease() {
    mutex_.lock();
    return Lease(*this, &connection_);
}

void SqliteDatabase::giveBack(SqlConnection*) noexcept {
    mutex_.unlock();
}

} // namespace vxs
