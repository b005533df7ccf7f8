#include "service/phone_app_store.h"

#include "service/failure_throttle.h"
#include "service/feed_token.h"

#include <ctime>

namespace vxs {
namespace {

constexpr std::size_t kSessionTokenHexDigits = 64;

long long nowSeconds() {
    return static_cast<long long>(std::time(nullptr));
}

void touchFeed(SqlConnection& c, const std::string& username) {
    c.run("UPDATE phone_users SET feed_changed = CASE WHEN ?2 > feed_changed THEN ?2 ELSE feed_changed + 1 "
          "END, feed_version = feed_version + 1 WHERE username = ?1",
          {username, nowSeconds()});
}

} // namespace

bool wellFormedSessionToken(std::string_view text) {
    if (text.size() != kSessionTokenHexDigits) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

PhoneAppStore::PhoneAppStore(ServiceDatabase& db, std::string feedKey)
    : db_(db.engine()), key_(std::move(feedKey)) {}

std::optional<std::pair<std::string, PhoneSession>> PhoneAppStore::openSession(const std::string& username) {
    const std::string token = randomHex(kSessionTokenHexDigits / 2);
    const std::string csrf = randomHex(16);
    if (token.empty() || csrf.empty()) return std::nullopt;
    const long long now = nowSeconds();
    withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        c.run("DELETE FROM phone_sessions WHERE expires <= ?1", {now});
        c.run("INSERT INTO phone_sessions (token_hash, username, csrf, expires) VALUES (?1, ?2, ?3, ?4)",
              {sha256Hex(token), username, csrf, now + static_cast<long long>(kSessionLifetime.count())});
        // The oldest sessions beyond the cap end (those expiring first).
        c.run("DELETE FROM phone_sessions WHERE username = ?1 AND token_hash NOT IN (SELECT token_hash FROM "
              "phone_sessions WHERE username = ?1 ORDER BY expires DESC, token_hash LIMIT ?2)",
              {username, static_cast<long long>(kMaxSessionsPerAccount)});
        t.commit();
        return 0;
    });
    return std::make_pair(token, PhoneSession{username, csrf});
}

std::optional<PhoneSession> PhoneAppStore::session(std::string_view token) {
    const SqlResult found = db_.run("SELECT s.username, s.csrf FROM phone_sessions s JOIN phone_users u ON "
                                    "u.username = s.username WHERE s.token_hash = ?1 AND s.expires > ?2",
                                    {sha256Hex(token), nowSeconds()});
    if (found.rows.empty()) return std::nullopt;
    return PhoneSession{found.rows[0].text(0), found.rows[0].text(1)};
}

void PhoneAppStore::closeSession(std::string_view token) {
    db_.run("DELETE FROM phone_sessions WHERE token_hash = ?1", {sha256Hex(token)});
}

bool PhoneAppStore::star(const std::string& username, const StarredShow& starred) {
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        if (!c.run("SELECT 1 FROM phone_stars WHERE username = ?1 AND show_key = ?2", {username, starred.key})
                 .rows.empty())
            return true;
        const SqlResult held = c.run("SELECT COUNT(*) FROM phone_stars WHERE username = ?1", {username});
        if (!held.rows.empty() && held.rows[0].integer(0) >= kMaxStarsPerAccount) return false;
        const SharedShow& s = starred.show;
        const std::string uid = randomHex(16);
        c.run("INSERT INTO phone_stars (username, show_key, year, month, day, tickets, artist, venue, "
              "location, "
              "url, other_artists, uid, changed) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
              "?13)",
              {username, starred.key, static_cast<long long>(s.year), static_cast<long long>(s.month),
               static_cast<long long>(s.day), s.tickets ? 1LL : 0LL, s.artist, s.venue, s.location, s.url,
               s.otherArtists, uid.empty() ? sha256Hex(username + "\n" + starred.key).substr(0, 32) : uid,
               nowSeconds()});
        touchFeed(c, username);
        t.commit();
        return true;
    });
}

void PhoneAppStore::unstar(const std::string& username, const std::string& key) {
    withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        if (c.run("DELETE FROM phone_stars WHERE username = ?1 AND show_key = ?2", {username, key}).changes >
            0)
            touchFeed(c, username);
        t.commit();
        return 0;
    });
}

std::vector<StarredShow> PhoneAppStore::stars(const std::string& username) {
    std::vector<StarredShow> list;
    const SqlResult found = db_.run(
        "SELECT show_key, year, month, day, tickets, artist, venue, location, url, other_artists, uid, "
        "changed FROM phone_stars WHERE username = ?1 ORDER BY year, month, day, artist, venue",
        {username});
    for (const SqlRow& row : found.rows) {
        StarredShow s;
        s.key = row.text(0);
        s.show.year = static_cast<int>(row.integer(1));
        s.show.month = static_cast<int>(row.integer(2));
        s.show.day = static_cast<int>(row.integer(3));
        s.show.tickets = row.integer(4) == 1;
        s.show.artist = row.text(5);
        s.show.venue = row.text(6);
        s.show.location = row.text(7);
        s.show.url = row.text(8);
        s.show.otherArtists = row.text(9);
        s.uid = row.text(10);
        s.changed = row.integer(11);
        list.push_back(std::move(s));
    }
    return list;
}

std::string PhoneAppStore::feedToken(const std::string& username) {
    const SqlResult owner = db_.run("SELECT uuid FROM phone_users WHERE username = ?1", {username});
    if (owner.rows.empty() || key_.empty()) return "";
    const std::string uuid = owner.rows[0].text(0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const SqlResult found =
            db_.run("SELECT nonce, token_hash FROM phone_feeds WHERE username = ?1", {username});
        if (!found.rows.empty()) {
            const std::string token = vxs::feedToken(key_, found.rows[0].text(0), uuid);
            if (sha256Hex(token) == found.rows[0].text(1)) return token;
        }
        // None yet, or one made under another installation id: a new one replaces it.
        const std::string nonce = randomHex(32);
        if (nonce.empty()) return "";
        const std::string token = vxs::feedToken(key_, nonce, uuid);
        db_.run("INSERT INTO phone_feeds (username, nonce, token_hash) VALUES (?1, ?2, ?3) ON CONFLICT "
                "(username) DO UPDATE SET nonce = excluded.nonce, token_hash = excluded.token_hash",
                {username, nonce, sha256Hex(token)});
    }
    return "";
}

std::optional<FeedHead> PhoneAppStore::feedHead(std::string_view token) {
    const SqlResult found =
        db_.run("SELECT u.username, u.feed_changed, u.feed_version FROM phone_feeds f JOIN phone_users u "
                "ON u.username = f.username WHERE f.token_hash = ?1",
                {sha256Hex(token)});
    if (found.rows.empty()) return std::nullopt;
    return FeedHead{found.rows[0].text(0), found.rows[0].integer(1), found.rows[0].integer(2)};
}

} // namespace vxs
