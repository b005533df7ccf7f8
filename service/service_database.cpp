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

bool ServiceDatabase::openToRead(const std::string& target, std::string* error) {
    // A database in memory starts empty: there is nothing in it to keep unchanged.
    if (isPostgresTarget(target) || target.empty() || target == ":memory:") return open(target, error);
    db_.reset();
    std::unique_ptr<Database> db = SqliteDatabase::open(target, error, true);
    if (!db) return false;
    int version = 0;
    try {
        if (db->run("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'")
                .rows.empty()) {
            *error = target + " holds no store of this service";
            return false;
        }
        version = static_cast<int>(
            db->run("SELECT COALESCE(MAX(version), 0) FROM schema_version").rows[0].integer(0));
    } catch (const StoreError& e) {
        *error = "cannot read " + target + ": " + e.what();
        return false;
    }
    if (version != knownSchemaVersion()) {
        *error = "the store at " + target + " has schema version " + std::to_string(version) +
                 ", this service " + std::to_string(knownSchemaVersion()) +
                 (version < knownSchemaVersion() ? "; start this service on it once, then copy it"
                                                 : "; copy it with a newer voxtrail-service");
        return false;
    }
    db_ = std::move(db);
    return true;
}

} // namespace vxs
