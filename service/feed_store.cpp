#include "service/feed_store.h"

#include "service/feed_token.h"
#include "service/sqlite_statement.h"

namespace vxs {
namespace {

bool hasColumn(sqlite3* db, const char* table, const std::string& column) {
    Statement s(db, (std::string("PRAGMA table_info(") + table + ")").c_str());
    while (s.step() == SQLITE_ROW)
        if (s.text(1) == column) return true;
    return false;
}

void addColumn(sqlite3* db, const char* table, const std::string& column, const char* declaration) {
    if (hasColumn(db, table, column)) return;
    const std::string sql = std::string("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + declaration;
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

} // namespace

void addFeedColumns(sqlite3* db) {
    sqlite3_exec(db,
                 "CREATE TABLE IF NOT EXISTS feed_tokens ("
                 " username TEXT PRIMARY KEY COLLATE NOCASE,"
                 " nonce TEXT NOT NULL,"
                 " token_hash TEXT NOT NULL UNIQUE)",
                 nullptr, nullptr, nullptr);
    // Tokens made before the key existed follow from the nonce and the UUID the database holds, so
    // a copy of it would give them away: they end, and their owners are given new ones.
    if (!hasColumn(db, "feed_tokens", "keyed")) {
        sqlite3_exec(db, "DELETE FROM feed_tokens", nullptr, nullptr, nullptr);
        addColumn(db, "feed_tokens", "keyed", "INTEGER NOT NULL DEFAULT 1");
    }
    addColumn(db, "shared_shows", "uid", "TEXT NOT NULL DEFAULT ''");
    addColumn(db, "shared_shows", "sequence", "INTEGER NOT NULL DEFAULT 0");
    addColumn(db, "shared_shows", "changed", "INTEGER NOT NULL DEFAULT 0");
    addColumn(db, "shared_shows", "cancelled", "INTEGER NOT NULL DEFAULT 0");
    addColumn(db, "users", "feed_changed", "INTEGER NOT NULL DEFAULT 0");
    addColumn(db, "users", "feed_version", "INTEGER NOT NULL DEFAULT 0");
    // Shows an older service stored get a UID of their own, once.
    sqlite3_exec(db, "UPDATE shared_shows SET uid = lower(hex(randomblob(16))) WHERE uid = ''", nullptr,
                 nullptr, nullptr);
}

FeedStore::FeedStore(ServiceDatabase& db, std::string key) : db_(db.handle()), key_(std::move(key)) {
    addFeedColumns(db_);
}

std::string FeedStore::token(const std::string& username, const std::string& uuid, bool rotate) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!rotate) {
        Statement find(db_, "SELECT nonce, token_hash FROM feed_tokens WHERE username = ?1");
        find.bind(1, username);
        if (find.step() == SQLITE_ROW) {
            const std::string token = feedToken(key_, find.text(0), uuid);
            // A token made under another installation id cannot be shown again: a new one replaces it.
            if (sha256Hex(token) == find.text(1)) return token;
        }
    }
    const std::string nonce = randomHex(32);
    if (nonce.empty() || key_.empty()) return "";
    const std::string token = feedToken(key_, nonce, uuid);
    if (token.empty()) return "";
    Statement put(db_,
                  "INSERT OR REPLACE INTO feed_tokens (username, nonce, token_hash) VALUES (?1, ?2, ?3)");
    put.bind(1, username).bind(2, nonce).bind(3, sha256Hex(token));
    return put.step() == SQLITE_DONE ? token : "";
}

std::optional<FeedHead> FeedStore::head(std::string_view token) {
    const std::string hash = sha256Hex(token);
    std::lock_guard<std::mutex> lock(mutex_);
    Statement find(db_, "SELECT u.username, u.feed_changed, u.feed_version FROM feed_tokens t JOIN users u "
                        "ON u.username = t.username WHERE t.token_hash = ?1");
    find.bind(1, hash);
    if (find.step() != SQLITE_ROW) return std::nullopt;
    return FeedHead{find.text(0), find.integer(1), find.integer(2)};
}

FeedContent FeedStore::content(const FeedHead& head) {
    std::lock_guard<std::mutex> lock(mutex_);
    FeedContent feed{head, {}};
    Statement s(db_, "SELECT year, month, day, tickets, artist, venue, location, url, other_artists, uid, "
                     "sequence, changed, cancelled FROM shared_shows WHERE username = ?1 "
                     "ORDER BY year, month, day, artist, venue");
    s.bind(1, head.username);
    while (s.step() == SQLITE_ROW) {
        FeedShow f;
        f.show.year = static_cast<int>(s.integer(0));
        f.show.month = static_cast<int>(s.integer(1));
        f.show.day = static_cast<int>(s.integer(2));
        f.show.tickets = s.integer(3) == 1;
        f.show.artist = s.text(4);
        f.show.venue = s.text(5);
        f.show.location = s.text(6);
        f.show.url = s.text(7);
        f.show.otherArtists = s.text(8);
        f.uid = s.text(9);
        f.sequence = static_cast<int>(s.integer(10));
        f.changed = s.integer(11);
        f.show.cancelled = s.integer(12) == 1;
        feed.shows.push_back(std::move(f));
    }
    return feed;
}

std::shared_ptr<const RenderedFeed> FeedStore::rendered(const std::string& username, int64_t version,
                                                        const std::string& host) {
    std::lock_guard<std::mutex> lock(keptMutex_);
    auto it = kept_.find(username);
    if (it == kept_.end() || it->second->version != version || it->second->host != host) return nullptr;
    return it->second;
}

void FeedStore::keep(const std::string& username, std::shared_ptr<const RenderedFeed> feed) {
    std::lock_guard<std::mutex> lock(keptMutex_);
    if (auto it = kept_.find(username); it != kept_.end()) {
        keptBytes_ -= it->second->body.size();
        kept_.erase(it);
    }
    if (feed->body.size() > kMaxKeptBytes) return;
    // Past the bound every kept feed goes: each is made again at its next request.
    if (keptBytes_ + feed->body.size() > kMaxKeptBytes) {
        kept_.clear();
        keptBytes_ = 0;
    }
    keptBytes_ += feed->body.size();
    kept_.emplace(username, std::move(feed));
}

} // namespace vxs
