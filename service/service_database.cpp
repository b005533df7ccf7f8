#include "service/service_database.h"

#include "service/schema_migrations.h"
#include "service/sqlite_engine.h"

namespace vxs {

bool isPostgresTarget(const std::string& target) {
    return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

bool ServiceDatabase::open(const std::string& target, std::string* error, const PostgresSettings& settings) {
    db_.reset();
    std::unique_ptr<Database> db;
    if (isPostgresTarget(target))
        db = PostgresDatabase::open(target, settings, error);
    else
        db = SqliteDatabase::open(target, error);
    if (!db || !migrateSchema(*db, error)) return false;
    db_ = std::move(db);
    return true;
}

} // namespace vxs
