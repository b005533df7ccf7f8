#include "service/sharing_store.h"

#include "service/feed_store.h"
#include "service/feed_token.h"
#include "service/password_hash.h"
#include "service/sqlite_statement.h"
#include "service/text_keys.h"

#include <openssl/rand.h>

#include <ctime>
#include <utility>
#include <vector>

namespace vxs {

SharingStore::SharingStore(ServiceDatabase& db, StoreLimits limits)
    : db_(db.handle()), limits_(limits), newUsers_(limits.maxNewUsersPerAddressPerMinute),
      failures_(limits.throttle), verified_(limits.verifiedLifetime) {
    addFeedColumns(db_);
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
    {
        Statement s(db_, "SELECT username, password FROM phone_users");
        // An empty text is no password (a failed hash of an older service): it stays, and matches
        // nothing.
        while (s.step() == SQLITE_ROW)
            if (!isPasswordHash(s.text(1)) && !s.text(1).empty()) plain.emplace_back(s.text(0), s.text(1));
    }
    for (const auto& [user, password] : plain) {
        const std::string hashed = hashPassword(password, limits_.hashCost);
        if (hashed.empty()) continue;
        Statement update(db_, "UPDATE phone_users SET password = ?2 WHERE username = ?1");
        update.bind(1, user).bind(2, hashed).step();
    }
}

long long SharingStore::count(const char* sql, const std::string& username) {
    Statement s(db_, sql);
    if (!username.empty()) s.bind(1, username);
    return s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

Registration SharingStore::roomForNewUser(const char* countSql, const std::string& uuid,
                                          const std::string& client) {
    if (count(countSql, uuid) >= limits_.maxUsersPerInstallation) return Registration::Full;
    if (!newUsers_.take(client)) return Registration::Busy;
    return Registration::Created;
}

Registration SharingStore::registerUser(const SharingUser& user, const std::string& uuid,
                                        const std::string& client) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement find(db_, "SELECT uuid FROM users WHERE username = ?1");
    find.bind(1, user.username);
    if (find.step() == SQLITE_ROW) {
        if (find.text(0) != uuid) return Registration::Taken;
        Statement update(db_, "UPDATE users SET city = ?2, state = ?3, firstname = ?4, lastname = ?5 "
                              "WHERE username = ?1");
        update.bind(1, user.username).bind(2, user.city).bind(3, user.state).bind(4, user.firstName);
        update.bind(5, user.lastName).step();
        return Registration::Updated;
    }
    const Registration room = roomForNewUser("SELECT COUNT(*) FROM users WHERE uuid = ?1", uuid, client);
    if (room != Registration::Created) return room;
    Statement insert(db_, "INSERT INTO users (username, uuid, city, state, firstname, lastname) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.bind(1, user.username).bind(2, uuid).bind(3, user.city).bind(4, user.state);
    insert.bind(5, user.firstName).bind(6, user.lastName);
    return insert.step() == SQLITE_DONE ? Registration::Created : Registration::Failed;
}

bool SharingStore::userExists(const std::string& username) {
    std::lock_guard<std::mutex> lock(mutex_);
    return count("SELECT COUNT(*) FROM users WHERE username = ?1", username) > 0;
}

bool SharingStore::ownsAccount(const std::string& username, const std::string& uuid) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement find(db_, "SELECT uuid FROM users WHERE username = ?1");
    find.bind(1, username);
    return find.step() == SQLITE_ROW && find.text(0) == uuid;
}

namespace {

// The account's feed changed now.
void touchFeed(sqlite3* db, const std::string& username, long long now) {
    Statement touch(
        db, "UPDATE users SET feed_changed = ?2, feed_version = feed_version + 1 WHERE username = ?1");
    touch.bind(1, username).bind(2, now).step();
}

bool sameContent(Statement& row, const SharedShow& show) {
    return row.integer(1) == show.year && row.integer(2) == show.month && row.integer(3) == show.day &&
           row.integer(4) == (show.tickets ? 1 : 0) && row.text(5) == show.artist &&
           row.text(6) == show.venue && row.text(7) == show.location && row.text(8) == show.url &&
           row.text(9) == show.otherArtists && (row.integer(12) == 1) == show.cancelled;
}

} // namespace

bool SharingStore::addShow(const std::string& username, const SharedShow& show) {
    std::lock_guard<std::mutex> lock(mutex_);
    const long long now = static_cast<long long>(std::time(nullptr));
    // The same show: its UID when the client sends one, else (or for a show stored before UIDs)
    // its date, artist and venue.
    const char* columns =
        "SELECT rowid, year, month, day, tickets, artist, venue, location, url, other_artists, "
        "uid, sequence, cancelled FROM shared_shows WHERE username = ?1 ";
    Statement byUid(db_, (std::string(columns) + "AND uid = ?2").c_str());
    byUid.bind(1, username).bind(2, show.uid);
    Statement byKey(db_, (std::string(columns) +
                          "AND year = ?2 AND month = ?3 AND day = ?4 AND artist = ?5 AND venue = ?6")
                             .c_str());
    byKey.bind(1, username).bind(2, show.year).bind(3, show.month).bind(4, show.day);
    byKey.bind(5, show.artist).bind(6, show.venue);
    Statement* found = nullptr;
    if (!show.uid.empty() && byUid.step() == SQLITE_ROW)
        found = &byUid;
    else if (byKey.step() == SQLITE_ROW)
        found = &byKey;

    if (found) {
        const bool contentSame = sameContent(*found, show);
        if (contentSame && (show.uid.empty() || show.uid == found->text(10))) return true;
        // OR REPLACE: a show moved onto the date of another copy of itself takes that row's place.
        Statement update(db_,
                         "UPDATE OR REPLACE shared_shows SET year = ?2, month = ?3, day = ?4, tickets = ?5, "
                         "artist = ?6, venue = ?7, location = ?8, url = ?9, other_artists = ?10, uid = ?11, "
                         "sequence = ?12, changed = ?13, cancelled = ?14 WHERE rowid = ?1");
        update.bind(1, found->integer(0)).bind(2, show.year).bind(3, show.month).bind(4, show.day);
        update.bind(5, show.tickets ? 1 : 0).bind(6, show.artist).bind(7, show.venue).bind(8, show.location);
        update.bind(9, show.url).bind(10, show.otherArtists);
        update.bind(11, show.uid.empty() ? found->text(10) : show.uid);
        update.bind(12, found->integer(11) + (contentSame ? 0 : 1)).bind(13, now);
        update.bind(14, show.cancelled ? 1 : 0);
        if (update.step() != SQLITE_DONE) return false;
        touchFeed(db_, username, now);
        return true;
    }
    if (count("SELECT COUNT(*) FROM shared_shows WHERE username = ?1", username) >= limits_.maxShowsPerUser)
        return false;
    Statement put(db_,
                  "INSERT OR REPLACE INTO shared_shows (username, year, month, day, tickets, artist, venue, "
                  "location, url, other_artists, uid, sequence, changed, cancelled) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 0, ?12, ?13)");
    put.bind(1, username).bind(2, show.year).bind(3, show.month).bind(4, show.day);
    put.bind(5, show.tickets ? 1 : 0).bind(6, show.artist).bind(7, show.venue).bind(8, show.location);
    put.bind(9, show.url).bind(10, show.otherArtists).bind(11, show.uid.empty() ? randomHex(16) : show.uid);
    put.bind(12, now).bind(13, show.cancelled ? 1 : 0);
    if (put.step() != SQLITE_DONE) return false;
    touchFeed(db_, username, now);
    return true;
}

void SharingStore::deleteShow(const std::string& username, const SharedShow& show) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement del(db_,
                  "DELETE FROM shared_shows WHERE username = ?1 AND ((year = ?2 AND month = ?3 AND day = ?4 "
                  "AND artist = ?5 AND venue = ?6) OR (?7 <> '' AND uid = ?7))");
    del.bind(1, username).bind(2, show.year).bind(3, show.month).bind(4, show.day);
    del.bind(5, show.artist).bind(6, show.venue).bind(7, show.uid);
    if (del.step() == SQLITE_DONE && sqlite3_changes(db_) > 0)
        touchFeed(db_, username, static_cast<long long>(std::time(nullptr)));
}

std::vector<SharedShow> SharingStore::shows(const std::string& username) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SharedShow> list;
    Statement s(db_, "SELECT year, month, day, tickets, artist, venue, location, url, other_artists "
                     "FROM shared_shows WHERE username = ?1 ORDER BY year, month, day, artist");
    s.bind(1, username);
    while (s.step() == SQLITE_ROW) {
        SharedShow show;
        show.year = static_cast<int>(s.integer(0));
        show.month = static_cast<int>(s.integer(1));
        show.day = static_cast<int>(s.integer(2));
        show.tickets = s.integer(3) == 1;
        show.artist = s.text(4);
        show.venue = s.text(5);
        show.location = s.text(6);
        show.url = s.text(7);
        show.otherArtists = s.text(8);
        list.push_back(std::move(show));
    }
    return list;
}

std::vector<SharingUser> SharingStore::users() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SharingUser> list;
    Statement s(db_, "SELECT username, firstname, lastname, city, state FROM users ORDER BY username");
    while (s.step() == SQLITE_ROW)
        list.push_back(SharingUser{s.text(0), s.text(1), s.text(2), s.text(3), s.text(4)});
    return list;
}

Registration SharingStore::registerPhone(const std::string& username, const std::string& uuid,
                                         const std::string& password, const std::string& client) {
    // Hashes are made without the lock, so each write checks that the row is still as it was read,
    // and a row that changed meanwhile is read again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool exists = false;
        std::string ownerUuid, stored;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Statement find(db_, "SELECT uuid, password FROM phone_users WHERE username = ?1");
            find.bind(1, username);
            if (find.step() == SQLITE_ROW) {
                exists = true;
                ownerUuid = find.text(0);
                stored = find.text(1);
            }
        }
        if (exists && ownerUuid != uuid) {
            // The owner on a new installation, known by the password.
            const SignIn known = phoneSignIn(username, password, client);
            if (known != SignIn::Accepted)
                return known == SignIn::Throttled ? Registration::Throttled : Registration::Taken;
            std::lock_guard<std::mutex> lock(mutex_);
            Statement update(db_, "UPDATE phone_users SET uuid = ?2 WHERE username = ?1 AND uuid = ?3");
            update.bind(1, username).bind(2, uuid).bind(3, ownerUuid).step();
            if (sqlite3_changes(db_) > 0) return Registration::Updated;
            continue;
        }
        // The same installation registers at every update: an unchanged password costs no new hash.
        if (exists && verify(username, password, stored)) return Registration::Updated;
        if (!exists) {
            std::lock_guard<std::mutex> lock(mutex_);
            const Registration room =
                roomForNewUser("SELECT COUNT(*) FROM phone_users WHERE uuid = ?1", uuid, client);
            if (room != Registration::Created) return room;
        }
        const std::string hashed = hashPassword(password, limits_.hashCost);
        if (hashed.empty()) return Registration::Failed;
        std::lock_guard<std::mutex> lock(mutex_);
        if (exists) {
            // The installation that owns the account may give it a new password.
            Statement update(
                db_,
                "UPDATE phone_users SET password = ?3 WHERE username = ?1 AND uuid = ?2 AND password = ?4");
            update.bind(1, username).bind(2, uuid).bind(3, hashed).bind(4, stored).step();
        } else {
            Statement insert(
                db_, "INSERT OR IGNORE INTO phone_users (username, uuid, password) VALUES (?1, ?2, ?3)");
            insert.bind(1, username).bind(2, uuid).bind(3, hashed);
            insert.step();
        }
        if (sqlite3_changes(db_) > 0) {
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
    if (!failures_.mayTry(accountKey) || !failures_.mayTry(clientKey)) return SignIn::Throttled;
    std::string stored;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement find(db_, "SELECT password FROM phone_users WHERE username = ?1");
        find.bind(1, username);
        if (find.step() == SQLITE_ROW) stored = find.text(0);
    }
    if (verify(username, password, stored)) {
        failures_.succeeded(accountKey);
        return SignIn::Accepted;
    }
    failures_.failed(accountKey);
    failures_.failed(clientKey);
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
        if (!fresh.empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            Statement update(db_,
                             "UPDATE phone_users SET password = ?2 WHERE username = ?1 AND password = ?3");
            update.bind(1, username).bind(2, fresh).bind(3, stored).step();
            if (sqlite3_changes(db_) > 0) current = fresh;
        }
    }
    verified_.remember(username, password, current);
    return true;
}

int SharingStore::addPhoneArtists(const std::string& username, const std::vector<std::string>& artists) {
    std::lock_guard<std::mutex> lock(mutex_);
    long long held = count("SELECT COUNT(*) FROM phone_artists WHERE username = ?1", username);
    int added = 0;
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    for (const std::string& artist : artists) {
        if (held >= limits_.maxPhoneArtistsPerUser) break;
        Statement put(db_, "INSERT OR IGNORE INTO phone_artists (username, artist) VALUES (?1, ?2)");
        put.bind(1, username).bind(2, artist);
        if (put.step() == SQLITE_DONE && sqlite3_changes(db_) > 0) {
            ++added;
            ++held;
        }
    }
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return added;
}

std::vector<std::string> SharingStore::phoneArtists(const std::string& username) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> list;
    Statement s(db_, "SELECT artist FROM phone_artists WHERE username = ?1 ORDER BY artist");
    s.bind(1, username);
    while (s.step() == SQLITE_ROW)
        list.push_back(s.text(0));
    return list;
}

} // namespace vxs
