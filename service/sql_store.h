#pragma once
// The service's store as its handlers see it: statements with ?1, ?2... placeholders and values
// bound apart from the text, run on a connection leased from an engine (SQLite or PostgreSQL).
// Both engines run the very same statement texts.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vxs {

using SqlValue = std::variant<long long, std::string>;
using SqlParams = std::vector<SqlValue>;

struct SqlRow {
    std::vector<std::string> cells;
    const std::string& text(std::size_t column) const { return cells.at(column); }
    long long integer(std::size_t column) const;
};

struct SqlResult {
    std::vector<SqlRow> rows;
    long long changes = 0; // rows an INSERT, UPDATE or DELETE touched
};

// Unavailable: the engine cannot be reached or did not answer in time (the request may be tried
// again later); Conflict: a concurrent transaction won (run the transaction again); Refused: a
// value no engine may store (a text holding NUL); Failed: anything else.
class StoreError : public std::runtime_error {
  public:
    enum class Kind { Unavailable, Conflict, Refused, Failed };
    StoreError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// Write: a transaction that writes (SQLite takes its write lock at once, so two writers never
// deadlock); Serializable: one whose reads decide its writes across processes (counted limits).
enum class TransactionKind { Write, Serializable };

class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    // One statement; throws StoreError.
    virtual SqlResult run(std::string_view sql, const SqlParams& params = {}) = 0;
    // Statements without values, separated by semicolons (schema changes).
    virtual void script(const std::string& sql) = 0;
    virtual void begin(TransactionKind kind) = 0;
    // Inside a transaction: no other process changes the schema until it ends.
    virtual void lockSchema() = 0;
    // Whether the connection is lost and must not be leased again.
    virtual bool broken() const { return false; }
};

// Whether a text value may be stored: no engine keeps NUL the same way, so none is taken.
bool storableText(std::string_view text);

class Database;

// A connection leased from a database, given back when the lease ends.
class Lease {
  public:
    Lease(Database& db, SqlConnection* connection) : db_(&db), connection_(connection) {}
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    SqlConnection& operator*() const { return *connection_; }
    SqlConnection* operator->() const { return connection_; }

  private:
    Database* db_;
    SqlConnection* connection_;
};

class Database {
  public:
    enum class Engine { Sqlite, Postgresql };
    virtual ~Database() = default;
    virtual Engine engine() const = 0;
    // Throws StoreError (Unavailable) when no connection can be had in time.
    virtual Lease lease() = 0;
    // Called by the lease.
    virtual void giveBack(SqlConnection* connection) noexcept = 0;

    // One statement on a connection of its own.
    SqlResult run(std::string_view sql, const SqlParams& params = {});
};

// A transaction that rolls back unless committed.
class Transaction {
  public:
    Transaction(SqlConnection& connection, TransactionKind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    SqlConnection& connection_;
    bool open_ = true;
};

// Waits a random while, longer after each attempt, so that transactions that collided do not
// collide again at once.
void backOff(int attempt);

// Runs work(connection) on a leased connection, again (a dozen times at most, the connection
// given back between tries) when a concurrent transaction won.
template <typename Work> auto withRetries(Database& db, Work&& work) {
    for (int attempt = 1;; ++attempt) {
        try {
            Lease lease = db.lease();
            return work(*lease);
        } catch (const StoreError& e) {
            if (e.kind() != StoreError::Kind::Conflict || attempt >= 12) throw;
        }
        backOff(attempt);
    }
}

} // namespace vxs
