#include "service/schema_migrations.h"

#include "service/phone_star_keys.h"

#include <array>

namespace vxs {
namespace {

struct Migration {
    const char* sqlite;
    const char* postgres;
    // SQLite files made before schema_version existed hold part of step 1 already.
    void (*sqliteAfter)(SqlConnection&) = nullptr;
    // Work of the step that SQL alone cannot do, on either engine.
    void (*after)(SqlConnection&) = nullptr;
};

bool hasColumn(SqlConnection& c, const char* table, const std::string& column) {
    for (const SqlRow& row : c.run(std::string("PRAGMA table_info(") + table + ")").rows)
        if (row.text(1) == column) return true;
    return false;
}

void addColumn(SqlConnection& c, const char* table, const std::string& column, const char* declaration) {
    if (!hasColumn(c, table, column))
        c.script(std::string("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + declaration);
}

// The feed's columns, on a file laid out before the feed existed.
void addFeedColumns(SqlConnection& c) {
    addColumn(c, "shared_shows", "uid", "TEXT NOT NULL DEFAULT ''");
    addColumn(c, "shared_shows", "sequence", "INTEGER NOT NULL DEFAULT 0");
    addColumn(c, "shared_shows", "changed", "INTEGER NOT NULL DEFAULT 0");
    addColumn(c, "users", "feed_changed", "INTEGER NOT NULL DEFAULT 0");
    addColumn(c, "users", "feed_version", "INTEGER NOT NULL DEFAULT 0");
    // Shows an older service stored get a UID of their own, once.
    c.script("UPDATE shared_shows SET uid = lower(hex(randomblob(16))) WHERE uid = ''");
}

// Names compare without case on both engines (NOCASE; citext), and every other text compares
// and sorts by its bytes (BINARY; "C").
const std::array<Migration, 10> kMigrations{{
    {R"sql(
CREATE TABLE IF NOT EXISTS users (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  uuid TEXT NOT NULL,
  city TEXT NOT NULL DEFAULT '',
  state TEXT NOT NULL DEFAULT '',
  firstname TEXT NOT NULL DEFAULT '',
  lastname TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS shared_shows (
  username TEXT NOT NULL COLLATE NOCASE,
  year INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL,
  tickets INTEGER NOT NULL,
  artist TEXT NOT NULL, venue TEXT NOT NULL, location TEXT NOT NULL, url TEXT NOT NULL,
  other_artists TEXT NOT NULL,
  PRIMARY KEY (username, year, month, day, artist, venue)
);
CREATE TABLE IF NOT EXISTS phone_users (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  uuid TEXT NOT NULL,
  password TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS phone_artists (
  username TEXT NOT NULL COLLATE NOCASE,
  artist TEXT NOT NULL,
  PRIMARY KEY (username, artist)
);
CREATE TABLE IF NOT EXISTS feed_tokens (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  nonce TEXT NOT NULL,
  token_hash TEXT NOT NULL UNIQUE
);
)sql",
     R"sql(
CREATE EXTENSION IF NOT EXISTS citext;
CREATE TABLE users (
  username CITEXT COLLATE "C" PRIMARY KEY,
  uuid TEXT COLLATE "C" NOT NULL,
  city TEXT COLLATE "C" NOT NULL DEFAULT '',
  state TEXT COLLATE "C" NOT NULL DEFAULT '',
  firstname TEXT COLLATE "C" NOT NULL DEFAULT '',
  lastname TEXT COLLATE "C" NOT NULL DEFAULT '',
  feed_changed BIGINT NOT NULL DEFAULT 0,
  feed_version BIGINT NOT NULL DEFAULT 0
);
CREATE TABLE shared_shows (
  username CITEXT COLLATE "C" NOT NULL,
  year INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL,
  tickets INTEGER NOT NULL,
  artist TEXT COLLATE "C" NOT NULL, venue TEXT COLLATE "C" NOT NULL,
  location TEXT COLLATE "C" NOT NULL, url TEXT COLLATE "C" NOT NULL,
  other_artists TEXT COLLATE "C" NOT NULL,
  uid TEXT COLLATE "C" NOT NULL DEFAULT '',
  sequence INTEGER NOT NULL DEFAULT 0,
  changed BIGINT NOT NULL DEFAULT 0,
  PRIMARY KEY (username, year, month, day, artist, venue)
);
CREATE TABLE phone_users (
  username CITEXT COLLATE "C" PRIMARY KEY,
  uuid TEXT COLLATE "C" NOT NULL,
  password TEXT COLLATE "C" NOT NULL
);
CREATE TABLE phone_artists (
  username CITEXT COLLATE "C" NOT NULL,
  artist TEXT COLLATE "C" NOT NULL,
  PRIMARY KEY (username, artist)
);
CREATE TABLE feed_tokens (
  username CITEXT COLLATE "C" PRIMARY KEY,
  nonce TEXT COLLATE "C" NOT NULL,
  token_hash TEXT COLLATE "C" NOT NULL UNIQUE
);
)sql",
     addFeedColumns},
    // Counts every service process shares: new accounts per client address and minute, failed
    // sign-ins per account and per client address (times in milliseconds since 1970).
    {R"sql(
CREATE TABLE limit_counts (
  name TEXT PRIMARY KEY,
  count INTEGER NOT NULL,
  since BIGINT NOT NULL,
  not_before BIGINT NOT NULL DEFAULT 0,
  last BIGINT NOT NULL
);
CREATE INDEX limit_counts_last ON limit_counts (last);
)sql",
     R"sql(
CREATE TABLE limit_counts (
  name TEXT COLLATE "C" PRIMARY KEY,
  count INTEGER NOT NULL,
  since BIGINT NOT NULL,
  not_before BIGINT NOT NULL DEFAULT 0,
  last BIGINT NOT NULL
);
CREATE INDEX limit_counts_last ON limit_counts (last);
)sql"},
    // A show may be cancelled; a SQLite file of a service between the two may hold the column.
    {"", "ALTER TABLE shared_shows ADD COLUMN cancelled INTEGER NOT NULL DEFAULT 0",
     [](SqlConnection& c) { addColumn(c, "shared_shows", "cancelled", "INTEGER NOT NULL DEFAULT 0"); }},
    // Tokens made before the feed key existed follow from the nonce and the UUID the database holds,
    // so a copy of it would give them away: they end, and their owners are given new ones.
    {"", "DELETE FROM feed_tokens; ALTER TABLE feed_tokens ADD COLUMN keyed INTEGER NOT NULL DEFAULT 1",
     [](SqlConnection& c) {
         if (hasColumn(c, "feed_tokens", "keyed")) return;
         c.script("DELETE FROM feed_tokens");
         addColumn(c, "feed_tokens", "keyed", "INTEGER NOT NULL DEFAULT 1");
     }},
    // The account's feed version a show's row was last written at: a served feed is made again from
    // the rows written since, not from every row. Rows of before are 0 and always read whole.
    {"ALTER TABLE shared_shows ADD COLUMN row_version INTEGER NOT NULL DEFAULT 0; "
     "CREATE INDEX shared_shows_row_version ON shared_shows (username, row_version)",
     "ALTER TABLE shared_shows ADD COLUMN row_version BIGINT NOT NULL DEFAULT 0; "
     "CREATE INDEX shared_shows_row_version ON shared_shows (username, row_version)"},
    // Shows gathered from outside sources (each kept as JSON), and each source's turn and validators.
    {R"sql(
CREATE TABLE IF NOT EXISTS gathered_shows (
  source TEXT NOT NULL, source_id TEXT NOT NULL, show TEXT NOT NULL,
  missed INTEGER NOT NULL DEFAULT 0, first_seen BIGINT NOT NULL,
  PRIMARY KEY (source, source_id)
);
CREATE TABLE IF NOT EXISTS gather_sources (
  source TEXT PRIMARY KEY, etag TEXT NOT NULL DEFAULT '', last_modified TEXT NOT NULL DEFAULT '',
  next_due BIGINT NOT NULL DEFAULT 0
);
)sql",
     R"sql(
CREATE TABLE gathered_shows (
  source TEXT COLLATE "C" NOT NULL, source_id TEXT COLLATE "C" NOT NULL, show TEXT COLLATE "C" NOT NULL,
  missed INTEGER NOT NULL DEFAULT 0, first_seen BIGINT NOT NULL,
  PRIMARY KEY (source, source_id)
);
CREATE TABLE gather_sources (
  source TEXT COLLATE "C" PRIMARY KEY, etag TEXT COLLATE "C" NOT NULL DEFAULT '',
  last_modified TEXT COLLATE "C" NOT NULL DEFAULT '', next_due BIGINT NOT NULL DEFAULT 0
);
)sql"},
    // The phone web app: its sign-in sessions (kept by the token's hash), the shows starred on the
    // phone and the feed that lists them.
    {R"sql(
CREATE TABLE phone_sessions (
  token_hash TEXT PRIMARY KEY,
  username TEXT NOT NULL COLLATE NOCASE,
  csrf TEXT NOT NULL,
  expires BIGINT NOT NULL
);
CREATE INDEX phone_sessions_user ON phone_sessions (username);
CREATE TABLE phone_stars (
  username TEXT NOT NULL COLLATE NOCASE,
  show_key TEXT NOT NULL,
  year INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL,
  tickets INTEGER NOT NULL,
  artist TEXT NOT NULL, venue TEXT NOT NULL, location TEXT NOT NULL, url TEXT NOT NULL,
  other_artists TEXT NOT NULL,
  uid TEXT NOT NULL,
  changed BIGINT NOT NULL,
  PRIMARY KEY (username, show_key)
);
CREATE TABLE phone_feeds (
  username TEXT PRIMARY KEY COLLATE NOCASE,
  nonce TEXT NOT NULL,
  token_hash TEXT NOT NULL UNIQUE
);
ALTER TABLE phone_users ADD COLUMN feed_changed BIGINT NOT NULL DEFAULT 0;
ALTER TABLE phone_users ADD COLUMN feed_version BIGINT NOT NULL DEFAULT 0;
)sql",
     R"sql(
CREATE TABLE phone_sessions (
  token_hash TEXT COLLATE "C" PRIMARY KEY,
  username CITEXT COLLATE "C" NOT NULL,
  csrf TEXT COLLATE "C" NOT NULL,
  expires BIGINT NOT NULL
);
CREATE INDEX phone_sessions_user ON phone_sessions (username);
CREATE TABLE phone_stars (
  username CITEXT COLLATE "C" NOT NULL,
  show_key TEXT COLLATE "C" NOT NULL,
  year INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL,
  tickets INTEGER NOT NULL,
  artist TEXT COLLATE "C" NOT NULL, venue TEXT COLLATE "C" NOT NULL,
  location TEXT COLLATE "C" NOT NULL, url TEXT COLLATE "C" NOT NULL,
  other_artists TEXT COLLATE "C" NOT NULL,
  uid TEXT COLLATE "C" NOT NULL,
  changed BIGINT NOT NULL,
  PRIMARY KEY (username, show_key)
);
CREATE TABLE phone_feeds (
  username CITEXT COLLATE "C" PRIMARY KEY,
  nonce TEXT COLLATE "C" NOT NULL,
  token_hash TEXT COLLATE "C" NOT NULL UNIQUE
);
ALTER TABLE phone_users ADD COLUMN feed_changed BIGINT NOT NULL DEFAULT 0;
ALTER TABLE phone_users ADD COLUMN feed_version BIGINT NOT NULL DEFAULT 0;
)sql"},
    // The friends a sharing account follows, as its installation last sent them: the phone account of
    // the same name and installation lists their shared shows.
    {R"sql(
CREATE TABLE sharing_friends (
  username TEXT NOT NULL COLLATE NOCASE,
  friend TEXT NOT NULL COLLATE NOCASE,
  PRIMARY KEY (username, friend)
);
)sql",
     R"sql(
CREATE TABLE sharing_friends (
  username CITEXT COLLATE "C" NOT NULL,
  friend CITEXT COLLATE "C" NOT NULL,
  PRIMARY KEY (username, friend)
);
)sql"},
    // A gathered show's performers' MusicBrainz ids, in bill order, joined by ",": a row of before
    // has none, and the show keeps its JSON as older services read it.
    {"ALTER TABLE gathered_shows ADD COLUMN performer_ids TEXT NOT NULL DEFAULT ''",
     "ALTER TABLE gathered_shows ADD COLUMN performer_ids TEXT COLLATE \"C\" NOT NULL DEFAULT ''"},
    // Stars keyed by the artist form of before names of every script kept their letters take today's.
    {"", "", nullptr, [](SqlConnection& c) { rekeyPhoneStars(c); }},
}};

} // namespace

int knownSchemaVersion() {
    return static_cast<int>(kMigrations.size());
}

bool migrateSchema(Database& db, std::string* error) {
    try {
        Lease lease = db.lease();
        SqlConnection& c = *lease;
        for (;;) {
            Transaction step(c, TransactionKind::Write);
            c.lockSchema();
            c.script("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
            const int current = static_cast<int>(
                c.run("SELECT COALESCE(MAX(version), 0) FROM schema_version").rows[0].integer(0));
            if (current > knownSchemaVersion()) {
                *error = "the database's schema is version " + std::to_string(current) +
                         ", newer than this service knows (" + std::to_string(knownSchemaVersion()) +
                         "); run a newer voxtrail-service on it";
                return false;
            }
            if (current == knownSchemaVersion()) {
                step.commit();
                return true;
            }
            const Migration& m = kMigrations[static_cast<std::size_t>(current)];
            const bool sqlite = db.engine() == Database::Engine::Sqlite;
            // A step of C++ only has no SQL to run.
            if (const char* sql = sqlite ? m.sqlite : m.postgres; sql[0] != '\0') c.script(sql);
            if (sqlite && m.sqliteAfter) m.sqliteAfter(c);
            if (m.after) m.after(c);
            c.run("INSERT INTO schema_version (version) VALUES (?1)", {static_cast<long long>(current + 1)});
            step.commit();
        }
    } catch (const StoreError& e) {
        *error = std::string("cannot bring the database's schema up to date: ") + e.what();
        return false;
    }
}

} // namespace vxs
