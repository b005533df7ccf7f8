#include "tests/service/engine_choice.h"

#include "service/postgres_engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace vxtest {

static bool postgres = false;

std::string sqliteStoreTarget(const std::string& name) {
    const std::string path =
        testing::TempDir() + "vx-store-" + std::to_string(getpid()) + "-" + name + ".sqlite";
    for (const char* side : {"", "-wal", "-shm"})
        std::remove((path + side).c_str());
    return path;
}

bool onPostgres() {
    return postgres;
}

std::vector<std::string> storeOptions(const std::string& target, std::vector<std::string> more) {
    more.insert(more.begin(),
                {"--db", target, "--feed-key", testing::TempDir() + "vx-feed-" + std::to_string(getpid())});
    return more;
}

std::string freshStoreTarget(const std::string& name) {
    if (!postgres) return sqliteStoreTarget(name);
    const std::string uri = std::getenv("VX_TEST_PG_URI");
    vxs::PostgresConnection c(uri, vxs::PostgresSettings{});
    c.script("DROP SCHEMA public CASCADE; CREATE SCHEMA public");
    return uri;
}

} // namespace vxtest

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--engine=postgresql") == 0) vxtest::postgres = true;
    if (vxtest::postgres && !std::getenv("VX_TEST_PG_URI")) {
        std::puts("skipped: VX_TEST_PG_URI names no PostgreSQL database (scripts/pg-cluster.sh makes one)");
        return 77;
    }
    return RUN_ALL_TESTS();
}
