#include "service/feed_store.h"

#include "service/feed_token.h"

namespace vxs {

FeedStore::FeedStore(ServiceDatabase& db, std::string key) : db_(db.engine()), key_(std::move(key)) {}

std::string FeedStore::token(const std::string& username, const std::string& uuid, bool rotate) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool held = false;
        if (!rotate) {
            const SqlResult found =
                db_.run("SELECT nonce, token_hash FROM feed_tokens WHERE username = ?1", {username});
            held = !found.rows.empty();
            if (held) {
                const std::string token = feedToken(key_, found.rows[0].text(0), uuid);
                // A token made under another installation id cannot be shown again: a new one replaces it.
                if (sha256Hex(token) == found.rows[0].text(1)) return token;
            }
        }
        const std::string nonce = randomHex(32);
        if (nonce.empty() || key_.empty()) return "";
        const std::string token = feedToken(key_, nonce, uuid);
        if (token.empty()) return "";
        const SqlParams row{username, nonce, sha256Hex(token)};
        if (rotate || held) {
            db_.run("INSERT INTO feed_tokens (username, nonce, token_hash) VALUES (?1, ?2, ?3) ON CONFLICT "
                    "(username) DO UPDATE SET nonce = excluded.nonce, token_hash = excluded.token_hash",
                    row);
            return token;
        }
        // A first token: when another process made one at this moment, that one is shown instead.
        if (db_.run("INSERT INTO feed_tokens (username, nonce, token_hash) VALUES (?1, ?2, ?3) "
                    "ON CONFLICT (username) DO NOTHING",
                    row)
                .changes > 0)
            return token;
    }
    return "";
}

std::optional<FeedHead> FeedStore::head(std::string_view token) {
    const SqlResult found =
        db_.run("SELECT u.username, u.feed_changed, u.feed_version FROM feed_tokens t JOIN users u "
                "ON u.username = t.username WHERE t.token_hash = ?1",
                {sha256Hex(token)});
    if (found.rows.empty()) return std::nullopt;
    const SqlRow& row = found.rows[0];
    return FeedHead{row.text(0), row.integer(1), row.integer(2)};
}

namespace {
constexpr const char* kShowColumns = "SELECT year, month, day, tickets, artist, venue, location, url, "
                                     "other_artists, uid, sequence, changed, cancelled, row_version "
                                     "FROM shared_shows WHERE username = ?1 ";
constexpr const char* kFeedOrder = "ORDER BY year, month, day, artist, venue";

FeedShow showOf(const SqlRow& row) {
    FeedShow f;
    f.show.year = static_cast<int>(row.integer(0));
    f.show.month = static_cast<int>(row.integer(1));
    f.show.day = static_cast<int>(row.integer(2));
    f.show.tickets = row.integer(3) == 1;
    f.show.artist = row.text(4);
    f.show.venue = row.text(5);
    f.show.location = row.text(6);
    f.show.url = row.text(7);
    f.show.otherArtists = row.text(8);
    f.uid = row.text(9);
    f.sequence = static_cast<int>(row.integer(10));
    f.changed = row.integer(11);
    f.show.cancelled = row.integer(12) == 1;
    f.rowVersion = row.integer(13);
    return f;
}

std::size_t bytesOf(const RenderedFeed& feed) {
    return feed.body.size() + feed.events.size() * 32;
}
} // namespace

FeedContent FeedStore::content(const FeedHead& head) {
    FeedContent feed{head, {}};
    const SqlResult found = db_.run(std::string(kShowColumns) + kFeedOrder, {head.username});
    feed.shows.reserve(found.rows.size());
    for (const SqlRow& row : found.rows)
        feed.shows.push_back(showOf(row));
    return feed;
}

std::vector<int64_t> FeedStore::rowVersions(const std::string& username) {
    const SqlResult found = db_.run(
        std::string("SELECT row_version FROM shared_shows WHERE username = ?1 ") + kFeedOrder, {username});
    std::vector<int64_t> versions;
    versions.reserve(found.rows.size());
    for (const SqlRow& row : found.rows)
        versions.push_back(row.integer(0));
    return versions;
}

std::vector<FeedShow> FeedStore::showsWrittenAt(const std::string& username,
                                                const std::vector<int64_t>& versions) {
    std::vector<FeedShow> shows;
    for (int64_t version : versions)
        for (const SqlRow& row : db_.run(std::string(kShowColumns) + "AND row_version = ?2",
                                         {username, static_cast<long long>(version)})
                                     .rows)
            shows.push_back(showOf(row));
    return shows;
}

std::shared_ptr<const RenderedFeed> FeedStore::rendered(const std::string& username, int64_t version,
                                                        const std::string& host) {
    std::lock_guard<std::mutex> lock(keptMutex_);
    auto it = kept_.find(username);
    if (it == kept_.end() || it->second->version != version || it->second->host != host) return nullptr;
    return it->second;
}

std::shared_ptr<const RenderedFeed> FeedStore::lastRendered(const std::string& username,
                                                            const std::string& host) {
    std::lock_guard<std::mutex> lock(keptMutex_);
    auto it = kept_.find(username);
    if (it == kept_.end() || it->second->host != host) return nullptr;
    return it->second;
}

void FeedStore::keep(const std::string& username, std::shared_ptr<const RenderedFeed> feed) {
    const std::size_t bytes = bytesOf(*feed);
    std::lock_guard<std::mutex> lock(keptMutex_);
    if (auto it = kept_.find(username); it != kept_.end()) {
        keptBytes_ -= bytesOf(*it->second);
        kept_.erase(it);
    }
    if (bytes > kMaxKeptBytes) return;
    // Past the bound every kept feed goes: each is made again at its next request.
    if (keptBytes_ + bytes > kMaxKeptBytes) {
        kept_.clear();
        keptBytes_ = 0;
    }
    keptBytes_ += bytes;
    kept_.emplace(username, std::move(feed));
}

} // namespace vxs
