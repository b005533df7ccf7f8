#include "service/service_database.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vxs {
namespace {

const char* kSchema = R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE IF NOT EXISTS users (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  uuid TEXT NOT NULL,
  city TEXT NOT NULL DEFAULT '',
  state TEXT NOT NULL DEFAULT '',
  firstname TEXT NOT NULL DEFAULT '',
  lastname TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS shared_shows (
  username TEXT NOT NULL COLLATE NOCASE,
  year INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL,
  tickets INTEGER NOT NULL,
  artist TEXT NOT NULL, venue TEXT NOT NULL, location TEXT NOT NULL, url TEXT NOT NULL,
  other_artists TEXT NOT NULL,
  PRIMARY KEY (username, year, month, day, artist, venue)
);
CREATE TABLE IF NOT EXISTS phone_users (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  uuid TEXT NOT NULL,
  password TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS phone_artists (
  username TEXT NOT NULL COLLATE NOCASE,
  artist TEXT NOT NULL,
  PRIMARY KEY (username, artist)
);
)sql";

bool inMemory(const std::string& path) {
    return path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0;
}

// The database holds installation ids and password hashes: only the service's user may read it.
// SQLite gives its side files the database file's mode, so the file is made (or narrowed) first,
// and side files an older service left are narrowed as well.
bool makePrivate(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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

ServiceDatabase::~ServiceDatabase() {
    if (db_) sqlite3_close(db_);
}

bool ServiceDatabase::open(const std::string& path, std::string* error) {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    if (!inMemory(path) && !makePrivate(path, error)) return false;
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        *error = "cannot open database " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, 2000);
    char* message = nullptr;
    if (sqlite3_exec(db_, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
        *error = "cannot lay out database " + path + ": " + (message ? message : "?");
        sqlite3_free(message);
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

} // namespace vxs
