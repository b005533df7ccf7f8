#pragma once
// Which engine a store test runs on: --engine=sqlite (the default) or --engine=postgresql on the
// database VX_TEST_PG_URI names. Without that variable the PostgreSQL run ends at once with 77,
// which ctest reports as skipped (never as passed).
#include <string>
#include <vector>

namespace vxtest {

bool onPostgres();
// An empty store, its schema not yet laid out: a new SQLite file, or the PostgreSQL database
// with everything in it dropped.
std::string freshStoreTarget(const std::string& name);
// The service's options for the store at target (its feed key file shared), then more.
std::vector<std::string> storeOptions(const std::string& target, std::vector<std::string> more = {});
// An empty SQLite store whatever the engine: the other end of a copy.
std::string sqliteStoreTarget(const std::string& name);

} // namespace vxtest
