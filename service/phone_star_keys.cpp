#include "service/phone_star_keys.h"

#include "service/text_keys.h"

namespace vxs {

long long rekeyPhoneStars(SqlConnection& c) {
    long long rewritten = 0;
    for (const SqlRow& row : c.run("SELECT username, show_key, artist FROM phone_stars").rows) {
        const std::string username = row.text(0), key = row.text(1), artist = row.text(2);
        const std::size_t dash = key.find('-');
        if (dash == std::string::npos || key.substr(dash + 1) != asciiArtistKey(artist)) continue;
        const std::string fresh = key.substr(0, dash + 1) + artistKey(artist);
        if (fresh == key ||
            !c.run("SELECT 1 FROM phone_stars WHERE username = ?1 AND show_key = ?2", {username, fresh})
                 .rows.empty())
            continue;
        rewritten += c.run("UPDATE phone_stars SET show_key = ?3 WHERE username = ?1 AND show_key = ?2",
                           {username, key, fresh})
                         .changes;
    }
    return rewritten;
}

} // namespace vxs
