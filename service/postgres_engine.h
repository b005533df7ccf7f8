#pragma once
// The store on a PostgreSQL database, through libpq: a small pool of connections, each leased to
// one caller at a time. Every statement keeps a deadline: the server's statement_timeout, and a
// client-side wait a little longer for a server that does not answer at all.
#include "service/sql_store.h"

#include <libpq-fe.h>

#include <chrono>
#include <string>
#include <vector>

namespace vxs {

struct PostgresSettings {
    int maxConnections = 8;
    std::chrono::milliseconds statementTimeout{2000};
};

// Whether a connection string names a password (which belongs in PGPASSWORD or ~/.pgpass, never
// on a command line that any user may list, nor in a log); false with a reason when it cannot be
// read at all.
bool connectionStringHoldsPassword(const std::string& uri, std::string* error);

class PostgresConnection : public SqlConnection {
  public:
    // Connects; throws StoreError (Unavailable) with libpq's reason.
    PostgresConnection(const std::string& uri, const PostgresSettings& settings);
    ~PostgresConnection() override;
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    SqlResult run(std::string_view sql, const SqlParams& params = {}) override;
    void script(const std::string& sql) override;
    void begin(TransactionKind kind) override;
    void lockSchema() override;
    // Lost, or left inside a transaction.
    bool broken() const override {
        return broken_ || PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) != PQTRANS_IDLE;
    }

  private:
    // Waits for the answer until the deadline; the last result, or throws.
    SqlResult collect(const std::string& doing);
    [[noreturn]] void lost(const std::string& doing);

    PGconn* conn_ = nullptr;
    bool broken_ = false;
    std::chrono::milliseconds deadline_;
};

class PostgresDatabase : public Database {
  public:
    // Connects once to check that the database answers; null with a reason.
    static std::unique_ptr<PostgresDatabase> open(const std::string& uri, const PostgresSettings& settings,
                                                  std::string* error);
    PostgresDatabase(std::string uri, PostgresSettings settings);

    Engine engine() const override { return Engine::Postgresql; }
    Lease lease() override;
    void giveBack(SqlConnection* connection) noexcept override;

  private:
    std::string uri_;
    PostgresSettings settings_;
    std::mutex mutex_;
    std::condition_variable released_;
    std::vector<std::unique_ptr<SqlConnection>> idle_;
    int open_ = 0; // connections made and not yet closed, idle or leased
};

// The statement text PostgreSQL takes: ?N placeholders become $N (quoted text is left alone).
std::string postgresPlaceholders(std::string_view sql);

} // namespace vxs
