#pragma once
// The store on a SQLite file: one connection, leased to one caller at a time. Other processes
// may open the same file; each write transaction takes the file's write lock at its start.
#include "service/sql_store.h"

#include <sqlite3.h>

#include <map>
#include <mutex>
#include <string>

namespace vxs {

class SqliteConnection : public SqlConnection {
  public:
    explicit SqliteConnection(sqlite3* db, bool readOnly = false) : db_(db), readOnly_(readOnly) {}
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    SqlResult run(std::string_view sql, const SqlParams& params = {}) override;
    void script(const std::string& sql) override;
    void begin(TransactionKind kind) override;
    void lockSchema() override {} // the write transaction holds the whole file
    sqlite3* handle() const { return db_; }

  private:
    sqlite3_stmt* prepared(std::string_view sql);
    [[noreturn]] void fail(int code, const std::string& doing);

    sqlite3* db_;
    bool readOnly_; // a transaction then only reads, and takes no write lock
    // Statements are few and run often: each is prepared once.
    std::map<std::string, sqlite3_stmt*, std::less<>> statements_;
};

class SqliteDatabase : public Database {
  public:
    // Opens (creating when missing, readable by this user only); null with a reason. readOnly opens
    // an existing regular file for reading only, changing nothing in it.
    static std::unique_ptr<SqliteDatabase> open(const std::string& path, std::string* error,
                                                bool readOnly = false);
    explicit SqliteDatabase(sqlite3* db, bool readOnly = false) : connection_(db, readOnly) {}

    Engine engine() const override { return Engine::Sqlite; }
    Lease lease() override;
    void giveBack(SqlConnection* connection) noexcept override;

  private:
    std::mutex mutex_;
    SqliteConnection connection_;
};

} // namespace vxs
