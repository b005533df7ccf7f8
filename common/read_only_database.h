#pragma once
// An SQLite database another program owns and may be writing while we read: opened for reading
// only, never waiting long for that program's lock, and asked only what its tables hold.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

struct sqlite3;
struct sqlite3_stmt;

namespace vx {

class ReadOnlyDatabase {
  public:
    // How long a read waits for a writer's lock before it gives up.
    static constexpr int kLongestWaitMs = 250;

    ReadOnlyDatabase() = default;
    ~ReadOnlyDatabase();
    ReadOnlyDatabase(const ReadOnlyDatabase&) = delete;
    ReadOnlyDatabase& operator=(const ReadOnlyDatabase&) = delete;

    // False with *problem saying why when path is not a database that can be read.
    bool open(const std::string& path, std::string* problem);
    // The long steps of a query end early once stop answers true.
    void stopWhen(std::function<bool()> stop);

    bool hasTable(std::string_view table);
    std::unordered_set<std::string> columnsOf(std::string_view table);
    // Why the last call failed, in words for the user.
    std::string lastProblem() const;
    sqlite3* handle() const { return db; }

  private:
    bool openWith(const std::string& uri);

    sqlite3* db = nullptr;
    std::function<bool()> stop;
};

// A prepared statement, finalized when it goes.
class DatabaseQuery {
  public:
    DatabaseQuery(ReadOnlyDatabase& database, const std::string& sql);
    ~DatabaseQuery();
    DatabaseQuery(const DatabaseQuery&) = delete;
    DatabaseQuery& operator=(const DatabaseQuery&) = delete;

    bool prepared() const { return statement != nullptr; }
    // True while a row is there; the end and a failure both end it (failed() tells which).
    bool next();
    bool failed() const { return failure; }
    std::string_view text(int column) const;
    long long number(int column) const;

  private:
    sqlite3_stmt* statement = nullptr;
    bool failure = false;
};

// A path as an SQLite file URI with the given query ("mode=ro", "immutable=1").
std::string databaseUri(std::string_view path, std::string_view query);

} // namespace vx
