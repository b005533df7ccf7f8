#include "service/sharing_store.h"

#include "service/feed_token.h"
#include "service/password_hash.h"
#include "service/text_keys.h"

#include <openssl/rand.h>

#include <ctime>
#include <utility>
#include <vector>

namespace vxs {
namespace {

long long countOf(SqlConnection& c, const char* sql, const std::string& key) {
    const SqlResult counted = c.run(sql, {key});
    return counted.rows.empty() ? 0 : counted.rows[0].integer(0);
}

// The account's feed changed now. Its second rises with every change, even within one second, so
// a client that fetched in that second and asks by date alone still learns of the change.
void touchFeed(SqlConnection& c, const std::string& username, long long now) {
    c.run("UPDATE users SET feed_changed = CASE WHEN ?2 > feed_changed THEN ?2 ELSE feed_changed + 1 END, "
          "feed_version = feed_version + 1 WHERE username = ?1",
          {username, now});
}

// A row written in a change carries the feed version that change raised it to (touchFeed runs first).
const std::string kFeedVersionNow = "(SELECT feed_version FROM users WHERE username = ?1)";

// Columns 0 to 8 and 11 of a show's row: year, month, day, tickets, artist, venue, location, url,
// other artists; cancelled.
bool sameContent(const SqlRow& row, const SharedShow& show) {
    return row.integer(0) == show.year && row.integer(1) == show.month && row.integer(2) == show.day &&
           row.integer(3) == (show.tickets ? 1 : 0) && row.text(4) == show.artist &&
           row.text(5) == show.venue && row.text(6) == show.location && row.text(7) == show.url &&
           row.text(8) == show.otherArtists && (row.integer(11) == 1) == show.cancelled;
}

// text cut to at most max bytes, never inside a UTF-8 character.
void cutText(std::string* text, std::size_t max) {
    if (text->size() <= max) return;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80)
        --end;
    text->resize(end);
}

} // namespace

SharedShow sharedShowOf(const SqlRow& row) {
    SharedShow show;
    show.year = static_cast<int>(row.integer(0));
    show.month = static_cast<int>(row.integer(1));
    show.day = static_cast<int>(row.integer(2));
    show.tickets = row.integer(3) == 1;
    show.artist = row.text(4);
    show.venue = row.text(5);
    show.location = row.text(6);
    show.url = row.text(7);
    show.otherArtists = row.text(8);
    return show;
}

bool showTextsFit(const SharedShow& show) {
    return show.artist.size() <= kMaxShowText && show.venue.size() <= kMaxShowText &&
           show.location.size() <= kMaxShowText && show.url.size() <= kMaxShowText &&
           show.otherArtists.size() <= kMaxOtherArtists;
}

void boundShowTexts(SharedShow* show) {
    for (std::string* text : {&show->artist, &show->venue, &show->location, &show->url})
        cutText(text, kMaxShowText);
    cutText(&show->otherArtists, kMaxOtherArtists);
}

SharingStore::SharingStore(ServiceDatabase& db, StoreLimits limits)
    : db_(db.engine()), limits_(limits), shared_(limits.maxNewUsersPerAddressPerMinute, limits.throttle),
      verified_(limits.verifiedLifetime) {
    // Of a password nobody has: a name without an account costs the same hash as one with.
    unsigned char noise[16];
    if (RAND_bytes(noise, sizeof noise) == 1) {
        std::string secret;
        for (unsigned char byte : noise)
            secret += "0123456789abcdef"[byte % 16];
        dummyHash_ = hashPassword(secret, limits_.hashCost);
    }
    hashPlainPasswords();
}

void SharingStore::hashPlainPasswords() {
    std::vector<std::pair<std::string, std::string>> plain;
    // An empty text is no password (a failed hash of an older service): it stays, and matches nothing.
    for (const SqlRow& row : db_.run("SELECT username, password FROM phone_users").rows)
        if (!isPasswordHash(row.text(1)) && !row.text(1).empty())
            plain.emplace_back(row.text(0), row.text(1));
    for (const auto& [user, password] : plain) {
        const std::string hashed = hashPassword(password, limits_.hashCost);
        if (hashed.empty()) continue;
        db_.run("UPDATE phone_users SET password = ?2 WHERE username = ?1 AND password = ?3",
                {user, hashed, password});
    }
}

Registration SharingStore::roomForNewUser(SqlConnection& c, const char* countSql, const std::string& uuid,
                                          const std::string& client) {
    if (countOf(c, countSql, uuid) >= limits_.maxUsersPerInstallation) return Registration::Full;
    if (!shared_.takeNewUser(c, client)) return Registration::Busy;
    return Registration::Created;
}

Registration SharingStore::registerUser(const SharingUser& user, const std::string& uuid,
                                        const std::string& client) {
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Serializable);
        const SqlResult found = c.run("SELECT uuid FROM users WHERE username = ?1", {user.username});
        if (!found.rows.empty()) {
            if (found.rows[0].text(0) != uuid) return Registration::Taken;
            c.run("UPDATE users SET city = ?2, state = ?3, firstname = ?4, lastname = ?5 WHERE username = ?1",
                  {user.username, user.city, user.state, user.firstName, user.lastName});
            t.commit();
            return Registration::Updated;
        }
        const Registration room =
            roomForNewUser(c, "SELECT COUNT(*) FROM users WHERE uuid = ?1", uuid, client);
        if (room == Registration::Created)
            c.run("INSERT INTO users (username, uuid, city, state, firstname, lastname) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                  {user.username, uuid, user.city, user.state, user.firstName, user.lastName});
        t.commit();
        return room;
    });
}

bool SharingStore::userExists(const std::string& username) {
    return !db_.run("SELECT 1 FROM users WHERE username = ?1", {username}).rows.empty();
}

bool SharingStore::ownsAccount(const std::string& username, const std::string& uuid) {
    const SqlResult found = db_.run("SELECT uuid FROM users WHERE username = ?1", {username});
    return !found.rows.empty() && found.rows[0].text(0) == uuid;
}

bool SharingStore::addShow(const std::string& username, const SharedShow& show) {
    const long long now = static_cast<long long>(std::time(nullptr));
    const long long tickets = show.tickets ? 1 : 0;
    const long long cancelled = show.cancelled ? 1 : 0;
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        // The same show: its UID when the client sends one, else (or for a show stored before UIDs)
        // its date, artist and venue.
        const std::string columns =
            "SELECT year, month, day, tickets, artist, venue, location, url, "
            "other_artists, uid, sequence, cancelled FROM shared_shows WHERE username = ?1 ";
        SqlResult found;
        if (!show.uid.empty()) found = c.run(columns + "AND uid = ?2", {username, show.uid});
        if (found.rows.empty())
            found =
                c.run(columns + "AND year = ?2 AND month = ?3 AND day = ?4 AND artist = ?5 AND venue = ?6",
                      {username, show.year, show.month, show.day, show.artist, show.venue});
        if (!found.rows.empty()) {
            const SqlRow& row = found.rows[0];
            const bool contentSame = sameContent(row, show);
            if (contentSame && (show.uid.empty() || show.uid == row.text(9))) return true;
            const SqlParams oldKey{username,       row.integer(0), row.integer(1),
                                   row.integer(2), row.text(4),    row.text(5)};
            // A show moved onto the date of another copy of itself takes that copy's place.
            SqlParams moved = oldKey;
            moved.insert(moved.end(), {show.year, show.month, show.day, show.artist, show.venue});
            c.run("DELETE FROM shared_shows WHERE username = ?1 AND year = ?7 AND month = ?8 AND day = ?9 "
                  "AND artist = ?10 AND venue = ?11 AND NOT (year = ?2 AND month = ?3 AND day = ?4 "
                  "AND artist = ?5 AND venue = ?6)",
                  moved);
            SqlParams update = oldKey;
            update.insert(update.end(),
                          {show.year, show.month, show.day, tickets, show.artist, show.venue, show.location,
                           show.url, show.otherArtists, show.uid.empty() ? row.text(9) : show.uid,
                           row.integer(10) + (contentSame ? 0 : 1), now, cancelled});
            touchFeed(c, username, now);
            c.run("UPDATE shared_shows SET year = ?7, month = ?8, day = ?9, tickets = ?10, artist = ?11, "
                  "venue = ?12, location = ?13, url = ?14, other_artists = ?15, uid = ?16, sequence = ?17, "
                  "changed = ?18, cancelled = ?19, row_version = " +
                      kFeedVersionNow +
                      " WHERE username = ?1 AND year = ?2 AND month = ?3 AND day = ?4 AND artist = ?5 AND "
                      "venue = ?6",
                  update);
            t.commit();
            return true;
        }
        if (countOf(c, "SELECT COUNT(*) FROM shared_shows WHERE username = ?1", username) >=
            limits_.maxShowsPerUser)
            return false;
        // Another process may add the same show at this moment: the key keeps one row, and the
        // later of the two writes it.
        touchFeed(c, username, now);
        c.run("INSERT INTO shared_shows (username, year, month, day, tickets, artist, venue, location, url, "
              "other_artists, uid, sequence, changed, cancelled, row_version) "
              "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 0, ?12, ?13, " +
                  kFeedVersionNow +
                  ") "
                  "ON CONFLICT (username, year, month, day, artist, venue) DO UPDATE SET "
                  "sequence = shared_shows.sequence + CASE WHEN shared_shows.tickets = excluded.tickets "
                  "AND shared_shows.location = excluded.location AND shared_shows.url = excluded.url "
                  "AND shared_shows.other_artists = excluded.other_artists "
                  "AND shared_shows.cancelled = excluded.cancelled THEN 0 ELSE 1 END, "
                  "tickets = excluded.tickets, location = excluded.location, url = excluded.url, "
                  "other_artists = excluded.other_artists, changed = excluded.changed, cancelled = "
                  "excluded.cancelled, row_version = excluded.row_version",
              {username, show.year, show.month, show.day, tickets, show.artist, show.venue, show.location,
               show.url, show.otherArtists, show.uid.empty() ? randomHex(16) : show.uid, now, cancelled});
        t.commit();
        return true;
    });
}

void SharingStore::deleteShow(const std::string& username, const SharedShow& show) {
    const SqlParams key{username, show.year, show.month, show.day, show.artist, show.venue, show.uid};
    withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        const char* byKey = "DELETE FROM shared_shows WHERE username = ?1 AND year = ?2 AND month = ?3 "
                            "AND day = ?4 AND artist = ?5 AND venue = ?6";
        const char* byKeyOrUid =
            "DELETE FROM shared_shows WHERE username = ?1 AND ((year = ?2 AND month = ?3 "
            "AND day = ?4 AND artist = ?5 AND venue = ?6) OR uid = ?7)";
        const SqlResult deleted =
            show.uid.empty() ? c.run(byKey, SqlParams(key.begin(), key.end() - 1)) : c.run(byKeyOrUid, key);
        if (deleted.changes > 0) touchFeed(c, username, static_cast<long long>(std::time(nullptr)));
        t.commit();
    });
}

std::vector<SharedShow> SharingStore::shows(const std::string& username) {
    std::vector<SharedShow> list;
    const SqlResult found =
        db_.run("SELECT year, month, day, tickets, artist, venue, location, url, other_artists "
                "FROM shared_shows WHERE username = ?1 ORDER BY year, month, day, artist",
                {username});
    list.reserve(found.rows.size());
    for (const SqlRow& row : found.rows)
        list.push_back(sharedShowOf(row));
    return list;
}

std::vector<SharingUser> SharingStore::users() {
    std::vector<SharingUser> list;
    for (const SqlRow& row :
         db_.run("SELECT username, firstname, lastname, city, state FROM users ORDER BY username").rows)
        list.push_back(SharingUser{row.text(0), row.text(1), row.text(2), row.text(3), row.text(4)});
    return list;
}

EndedSharing SharingStore::endSharing(const std::string& uuid) {
    const long long now = static_cast<long long>(std::time(nullptr));
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        const char* owned = "(SELECT username FROM users WHERE uuid = ?1)";
        EndedSharing ended;
        ended.shows =
            c.run(std::string("DELETE FROM shared_shows WHERE username IN ") + owned, {uuid}).changes;
        c.run(std::string("DELETE FROM feed_tokens WHERE username IN ") + owned, {uuid});
        c.run(std::string("DELETE FROM sharing_friends WHERE username IN ") + owned, {uuid});
        // The version rises, so no process serves a feed it kept of the shows removed.
        ended.accounts =
            c.run("UPDATE users SET city = '', state = '', firstname = '', lastname = '', "
                  "feed_changed = CASE WHEN ?2 > feed_changed THEN ?2 ELSE feed_changed + 1 END, "
                  "feed_version = feed_version + 1 WHERE uuid = ?1",
                  {uuid, now})
                .changes;
        t.commit();
        return ended;
    });
}

Registration SharingStore::registerPhone(const std::string& username, const std::string& uuid,
                                         const std::string& password, const std::string& client) {
    // Hashes are made outside any transaction, so each write checks that the row is still as it was
    // read, and a row that changed meanwhile is read again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const SqlResult found =
            db_.run("SELECT uuid, password FROM phone_users WHERE username = ?1", {username});
        const bool exists = !found.rows.empty();
        const std::string ownerUuid = exists ? found.rows[0].text(0) : "";
        const std::string stored = exists ? found.rows[0].text(1) : "";
        if (exists && ownerUuid != uuid) {
            // The owner on a new installation, known by the password.
            const SignIn known = phoneSignIn(username, password, client);
            if (known != SignIn::Accepted)
                return known == SignIn::Throttled ? Registration::Throttled : Registration::Taken;
            if (db_.run("UPDATE phone_users SET uuid = ?2 WHERE username = ?1 AND uuid = ?3",
                        {username, uuid, ownerUuid})
                    .changes > 0)
                return Registration::Updated;
            continue;
        }
        // The same installation registers at every update: an unchanged password costs no new hash.
        if (exists && verify(username, password, stored)) return Registration::Updated;
        if (!exists) {
            const Registration room = withRetries(db_, [&](SqlConnection& c) {
                Transaction t(c, TransactionKind::Serializable);
                const Registration r =
                    roomForNewUser(c, "SELECT COUNT(*) FROM phone_users WHERE uuid = ?1", uuid, client);
                t.commit();
                return r;
            });
            if (room != Registration::Created) return room;
        }
        const std::string hashed = hashPassword(password, limits_.hashCost);
        if (hashed.empty()) return Registration::Failed;
        long long changed = 0;
        if (exists) {
            // The installation that owns the account may give it a new password.
            changed = db_.run("UPDATE phone_users SET password = ?3 WHERE username = ?1 AND uuid = ?2 "
                              "AND password = ?4",
                              {username, uuid, hashed, stored})
                          .changes;
        } else {
            // The installation's cap is counted again with the insert: another process may have
            // made an account of it while the hash was made.
            changed = withRetries(db_, [&](SqlConnection& c) {
                Transaction t(c, TransactionKind::Serializable);
                const long long added =
                    c.run("INSERT INTO phone_users (username, uuid, password) SELECT ?1, ?2, ?3 "
                          "WHERE (SELECT COUNT(*) FROM phone_users WHERE uuid = ?2) < ?4 "
                          "ON CONFLICT (username) DO NOTHING",
                          {username, uuid, hashed, static_cast<long long>(limits_.maxUsersPerInstallation)})
                        .changes;
                t.commit();
                return added;
            });
        }
        if (changed > 0) {
            // A new password ends the phone app's sessions opened with the old one, and the address
            // of its starred shows' feed: whoever held a session may have kept that too.
            if (exists) {
                db_.run("DELETE FROM phone_sessions WHERE username = ?1", {username});
                db_.run("DELETE FROM phone_feeds WHERE username = ?1", {username});
            }
            // The uploads that follow a registration sign in with this password.
            verified_.remember(username, password, hashed);
            return exists ? Registration::Updated : Registration::Created;
        }
    }
    return Registration::Taken;
}

SignIn SharingStore::phoneSignIn(const std::string& username, const std::string& password,
                                 const std::string& client) {
    const std::string accountKey = "account " + upperAscii(username);
    const std::string clientKey = "client " + client;
    std::string stored;
    {
        Lease c = db_.lease();
        if (!shared_.mayTry(*c, accountKey) || !shared_.mayTry(*c, clientKey)) return SignIn::Throttled;
        const SqlResult found = c->run("SELECT password FROM phone_users WHERE username = ?1", {username});
        if (!found.rows.empty()) stored = found.rows[0].text(0);
    }
    // The hash is made with no connection leased.
    const bool matches = verify(username, password, stored);
    Lease c = db_.lease();
    if (matches) {
        shared_.succeeded(*c, accountKey);
        return SignIn::Accepted;
    }
    shared_.failed(*c, accountKey);
    shared_.failed(*c, clientKey);
    return SignIn::Refused;
}

bool SharingStore::verify(const std::string& username, const std::string& password,
                          const std::string& stored) {
    const bool known = isPasswordHash(stored);
    if (known && verified_.holds(username, password, stored)) return true;
    const bool matches = passwordMatches(password, known ? stored : dummyHash_);
    if (!known || !matches) return false;
    std::string current = stored;
    if (!isCurrentHash(stored)) {
        // A hash of an older form is made again now that the password is at hand.
        const std::string fresh = hashPassword(password, limits_.hashCost);
        if (!fresh.empty() &&
            db_.run("UPDATE phone_users SET password = ?2 WHERE username = ?1 AND password = ?3",
                    {username, fresh, stored})
                    .changes > 0)
            current = fresh;
    }
    verified_.remember(username, password, current);
    return true;
}

int SharingStore::addPhoneArtists(const std::string& username, const std::vector<std::string>& artists) {
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        long long held = countOf(c, "SELECT COUNT(*) FROM phone_artists WHERE username = ?1", username);
        int added = 0;
        for (const std::string& artist : artists) {
            if (held >= limits_.maxPhoneArtistsPerUser) break;
            if (c.run("INSERT INTO phone_artists (username, artist) VALUES (?1, ?2) "
                      "ON CONFLICT (username, artist) DO NOTHING",
                      {username, artist})
                    .changes > 0) {
                ++added;
                ++held;
            }
        }
        t.commit();
        return added;
    });
}

std::vector<std::string> SharingStore::phoneArtists(const std::string& username) {
    std::vector<std::string> list;
    for (const SqlRow& row :
         db_.run("SELECT artist FROM phone_artists WHERE username = ?1 ORDER BY artist", {username}).rows)
        list.push_back(row.text(0));
    return list;
}

} // namespace vxs
