#include "common/read_only_database.h"

#include <sqlite3.h>

namespace vx {

namespace {

bool isUriSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '-' || c == '_' || c == '.' || c == '~';
}

// What a failed step means to the user who named the file.
std::string problemOf(sqlite3* db, int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "locked by the program writing it";
    case SQLITE_NOTADB:
        return "not a database";
    case SQLITE_CORRUPT:
        return "damaged";
    case SQLITE_INTERRUPT:
        return "reading stopped";
    default:
        return std::string("database error: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    }
}

int stopAsked(void* context) {
    const auto* stop = static_cast<const std::function<bool()>*>(context);
    return *stop && (*stop)() ? 1 : 0;
}

} // namespace

std::string databaseUri(std::string_view path, std::string_view query) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (isUriSafe(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    uri += '?';
    uri.append(query);
    return uri;
}

ReadOnlyDatabase::~ReadOnlyDatabase() {
    sqlite3_close_v2(db);
}

bool ReadOnlyDatabase::openWith(const std::string& uri) {
    sqlite3_close_v2(db);
    db = nullptr;
    const int code = sqlite3_open_v2(uri.c_str(), &db,
                                     SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) return false;
    // The file is outside input: its schema may name no function of ours, nor be changed.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_timeout(db, kLongestWaitMs);
    sqlite3_progress_handler(db, 1000, stopAsked, &stop);
    return sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool ReadOnlyDatabase::open(const std::string& path, std::string* problem) {
    auto fail = [&](int code) {
        if (problem) *problem = problemOf(db, code);
        sqlite3_close_v2(db);
        db = nullptr;
        return false;
    };
    if (!openWith(databaseUri(path, "mode=ro"))) return fail(db ? sqlite3_errcode(db) : SQLITE_CANTOPEN);
    // The first read takes the schema: an unreadable file shows here.
    int code = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if ((code & 0xff) == SQLITE_CANTOPEN || (code & 0xff) == SQLITE_READONLY) {
        // A write-ahead log whose shared index cannot be made beside it (a folder we may not
        // write): the file is then read as it stands, without the log.
        if (!openWith(databaseUri(path, "immutable=1"))) return fail(SQLITE_CANTOPEN);
        code = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) return fail(code);
    return true;
}

void ReadOnlyDatabase::stopWhen(std::function<bool()> asked) {
    stop = std::move(asked);
}

std::string ReadOnlyDatabase::lastProblem() const {
    return problemOf(db, db ? sqlite3_errcode(db) : SQLITE_MISUSE);
}

bool ReadOnlyDatabase::hasTable(std::string_view table) {
    DatabaseQuery query(*this, "SELECT name FROM sqlite_master WHERE type = 'table'");
    while (query.next())
        if (query.text(0) == table) return true;
    return false;
}

std::unordered_set<std::string> ReadOnlyDatabase::columnsOf(std::string_view table) {
    std::unordered_set<std::string> columns;
    // table is one of our own names, never text from the file.
    DatabaseQuery query(*this, "PRAGMA table_info(" + std::string(table) + ")");
    while (query.next())
        columns.emplace(query.text(1));
    return columns;
}

DatabaseQuery::DatabaseQuery(ReadOnlyDatabase& database, const std::string& sql) {
    if (!database.handle() ||
        sqlite3_prepare_v2(database.handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        statement = nullptr;
        failure = true;
    }
}

DatabaseQuery::~DatabaseQuery() {
    sqlite3_finalize(statement);
}

bool DatabaseQuery::next() {
    if (!statement || failure) return false;
    const int code = sqlite3_step(statement);
    if (code == SQLITE_ROW) return true;
    failure = code != SQLITE_DONE;
    return false;
}

std::string_view DatabaseQuery::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!bytes) return {};
    return {bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

long long DatabaseQuery::number(int column) const {
    return sqlite3_column_int64(statement, column);
}

} // namespace vx
