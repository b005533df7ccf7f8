#pragma once
// The service's SQLite database: sharing accounts, shared shows, phone accounts
// and their artists.
#include <sqlite3.h>

#include <string>

namespace vxs {

class ServiceDatabase {
  public:
    ServiceDatabase() = default;
    ~ServiceDatabase();
    ServiceDatabase(const ServiceDatabase&) = delete;
    ServiceDatabase& operator=(const ServiceDatabase&) = delete;

    // Opens (creating when missing) and lays out the tables; false with a reason.
    bool open(const std::string& path, std::string* error);
    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

} // namespace vxs
