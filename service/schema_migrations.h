#pragma once
// The store's schema, kept in numbered steps: each database records the steps applied to it in
// schema_version, and every start applies the missing ones, each in a transaction of its own.
#include "service/sql_store.h"

#include <string>

namespace vxs {

// The newest schema this service knows.
int knownSchemaVersion();

// Brings db up to knownSchemaVersion(); false with a reason when it cannot, or when the database
// is of a newer schema than this service knows (it must then not touch it).
bool migrateSchema(Database& db, std::string* error);

} // namespace vxs
