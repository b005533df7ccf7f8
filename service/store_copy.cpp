#include "service/store_copy.h"

#include "service/phone_star_keys.h"
#include "service/service_database.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vxs {
namespace {

struct CopiedTable {
    const char* table;
    const char* what; // as the summary counts it
    std::vector<const char*> texts;
    std::vector<const char*> numbers;
};

// The limit counts stay behind: they are a minute's or an hour's state, not data.
const std::vector<CopiedTable> kTables{
    {"users",
     "accounts",
     {"username", "uuid", "city", "state", "firstname", "lastname"},
     {"feed_changed", "feed_version"}},
    {"shared_shows",
     "shows",
     {"username", "artist", "venue", "location", "url", "other_artists", "uid"},
     {"year", "month", "day", "tickets", "sequence", "changed", "cancelled", "row_version"}},
    {"phone_users", "phone accounts", {"username", "uuid", "password"}, {"feed_changed", "feed_version"}},
    {"phone_artists", "phone artists", {"username", "artist"}, {}},
    {"feed_tokens", "feed tokens", {"username", "nonce", "token_hash"}, {"keyed"}},
    // Sessions stay behind with the limits: a copied store's users sign in again.
    {"phone_stars",
     "starred shows",
     {"username", "show_key", "artist", "venue", "location", "url", "other_artists", "uid"},
     {"year", "month", "day", "tickets", "changed"}},
    {"phone_feeds", "phone feed tokens", {"username", "nonce", "token_hash"}, {}},
    {"sharing_friends", "friends followed", {"username", "friend"}, {}},
};

long long copyTable(SqlConnection& from, SqlConnection& to, const CopiedTable& t) {
    std::string columns, placeholders;
    int n = 0;
    for (const auto* list : {&t.texts, &t.numbers})
        for (const char* column : *list) {
            columns += std::string(n ? ", " : "") + column;
            placeholders += std::string(n ? ", " : "") + "?" + std::to_string(n + 1);
            ++n;
        }
    const std::string insert =
        std::string("INSERT INTO ") + t.table + " (" + columns + ") VALUES (" + placeholders + ")";
    long long copied = 0;
    for (const SqlRow& row : from.run(std::string("SELECT ") + columns + " FROM " + t.table).rows) {
        SqlParams values;
        for (std::size_t i = 0; i < row.cells.size(); ++i)
            if (i < t.texts.size())
                values.emplace_back(row.text(i));
            else
                values.emplace_back(row.integer(i));
        copied += to.run(insert, values).changes;
    }
    return copied;
}

// Why the copy from one to the other cannot start, or "" when it can: the source must be a store
// (a misspelt or empty file is none) and the target another one (the same file, however named,
// would wait on its own lock).
std::string refusedCopy(const std::string& from, const std::string& to) {
    if (isPostgresTarget(from) || from == ":memory:")
        return from == to ? "the source and the target are the same store" : "";
    struct stat source {};
    if (::stat(from.c_str(), &source) != 0) return "no store to copy at " + from;
    if (!S_ISREG(source.st_mode)) return from + " is not a regular file";
    if (source.st_size == 0) return from + " is empty (0 bytes): no store to copy";
    struct stat target {};
    if (!isPostgresTarget(to) && ::stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
        target.st_ino == source.st_ino)
        return "the source and the target are the same file";
    return "";
}

} // namespace

bool copyStore(const std::string& from, const std::string& to, std::string* summary, std::string* error) {
    if (std::string why = refusedCopy(from, to); !why.empty()) {
        *error = why;
        return false;
    }
    ServiceDatabase source, target;
    if (!source.openToRead(from, error)) return false;
    if (!target.open(to, error)) return false;
    try {
        Lease in = source.lease();
        Lease out = target.lease();
        Transaction reading(*in, TransactionKind::Serializable); // one picture of the source
        Transaction writing(*out, TransactionKind::Write);
        for (const CopiedTable& t : kTables)
            if (!out->run(std::string("SELECT 1 FROM ") + t.table + " LIMIT 1").rows.empty()) {
                *error = std::string("the target store already holds ") + t.what + "; copy into an empty one";
                return false;
            }
        summary->clear();
        for (const CopiedTable& t : kTables)
            *summary +=
                (summary->empty() ? "" : ", ") + std::to_string(copyTable(*in, *out, t)) + " " + t.what;
        // A store of an older service (copied as it is, not migrated) may hold stars of older keys.
        rekeyPhoneStars(*out);
        writing.commit();
        reading.commit();
        return true;
    } catch (const StoreError& e) {
        *error = std::string("the copy failed, nothing was copied: ") + e.what();
        return false;
    }
}

} // namespace vxs
