// The tie between a phone account and the sharing account of the same name and installation, and
// the friends that sharing account follows.
#include "service/account_rules.h"
#include "service/sharing_store.h"
#include "service/text_keys.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vxs {
namespace {

// The phone account's name, where the sharing account of that name has the phone account's UUID.
const char* kTiedAccount = "(SELECT u.username FROM users u JOIN phone_users p ON p.username = u.username "
                           "AND p.uuid = u.uuid WHERE u.username = ?1 AND u.uuid <> '')";

// Account names are one account when they are equal without case, as the stores compare them;
// the artist form would take "The Band" and "Band" for one.
bool sameAccountName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool SharingStore::setFriends(const std::string& username, const std::string& uuid,
                              const std::vector<std::string>& friends, bool replace) {
    return withRetries(db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        const SqlResult owner = c.run("SELECT uuid FROM users WHERE username = ?1", {username});
        if (owner.rows.empty() || uuid.empty() || owner.rows[0].text(0) != uuid) return false;
        if (replace) c.run("DELETE FROM sharing_friends WHERE username = ?1", {username});
        for (const std::string& typed : friends) {
            const std::optional<std::string> name = accountName(typed);
            if (!name || sameAccountName(*name, username)) continue;
            // The cap is counted in the insert, so a flood of batches stops at it.
            c.run("INSERT INTO sharing_friends (username, friend) SELECT ?1, ?2 WHERE (SELECT COUNT(*) FROM "
                  "sharing_friends WHERE username = ?1) < ?3 ON CONFLICT (username, friend) DO NOTHING",
                  {username, *name, static_cast<long long>(limits_.maxFriendsPerUser)});
        }
        t.commit();
        return true;
    });
}

bool SharingStore::phoneTiedToSharing(const std::string& phoneUser) {
    return !db_.run(std::string("SELECT 1 FROM ") + kTiedAccount + " AS tied", {phoneUser}).rows.empty();
}

std::vector<FriendShow> SharingStore::tiedFriendShows(const std::string& phoneUser, int fromDate,
                                                      std::size_t most) {
    const SqlResult found = db_.run(
        std::string("SELECT s.year, s.month, s.day, s.tickets, s.artist, s.venue, s.location, s.url, "
                    "s.other_artists, f.friend FROM sharing_friends f JOIN shared_shows s ON s.username = "
                    "f.friend WHERE f.username IN ") +
            kTiedAccount +
            " AND s.cancelled = 0 AND s.year * 10000 + s.month * 100 + s.day >= ?2 "
            "ORDER BY s.year, s.month, s.day, s.artist, f.friend",
        {phoneUser, static_cast<long long>(fromDate)});
    std::vector<FriendShow> list;
    for (const SqlRow& row : found.rows) {
        SharedShow show = sharedShowOf(row);
        boundShowTexts(&show);
        // As the plug-in's friends' list merges: the same day and the same artist is one show.
        auto same = list.rbegin();
        for (; same != list.rend() && same->show.year == show.year && same->show.month == show.month &&
               same->show.day == show.day;
             ++same)
            if (artistKey(same->show.artist) == artistKey(show.artist)) break;
        if (same != list.rend() && same->show.year == show.year && same->show.month == show.month &&
            same->show.day == show.day) {
            same->friends.push_back(row.text(9));
            continue;
        }
        if (list.size() >= most) break;
        list.push_back(FriendShow{std::move(show), {row.text(9)}});
    }
    return list;
}

} // namespace vxs
