#pragma once
// The service's store of sharing accounts, shared shows, phone accounts with their artists and
// feed tokens: a SQLite file, or a PostgreSQL database that several service processes share.
#include "service/postgres_engine.h"
#include "service/sql_store.h"

#include <memory>
#include <string>

namespace vxs {

// Whether a --db value names a PostgreSQL database (a libpq connection URI), not a SQLite file.
bool isPostgresTarget(const std::string& target);

class ServiceDatabase {
  public:
    // Opens the SQLite file (creating it when missing; ":memory:" keeps it in memory) or connects
    // to the PostgreSQL database, and brings its schema up to date; false with a reason.
    bool open(const std::string& target, std::string* error, const PostgresSettings& settings = {});
    // Opens a store to read from, changing nothing in it: a SQLite file is opened read-only and must
    // already hold this service's current schema (a PostgreSQL database is opened as above).
    bool openToRead(const std::string& target, std::string* error);

    Database& engine() { return *db_; }
    Lease lease() { return db_->lease(); }
    SqlResult run(std::string_view sql, const SqlParams& params = {}) { return db_->run(sql, params); }

  private:
    std::unique_ptr<Database> db_;
};

} // namespace vxs
