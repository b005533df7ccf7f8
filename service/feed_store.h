#pragma once
// The feed side of the sharing accounts: each account's feed token (kept as a nonce and the
// token's hash; the token also needs the service's key, which is not in the database) and the
// shows its feed lists.
#include "service/feed_token.h"
#include "service/service_database.h"
#include "service/sharing_store.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace vxs {

struct FeedShow {
    SharedShow show;
    std::string uid;
    int sequence = 0;
    int64_t changed = 0;    // seconds since 1970
    int64_t rowVersion = 0; // the feed version its row was written at; 0 for rows of before
};

// Which account a token names and how far its feed has come.
struct FeedHead {
    std::string username;
    int64_t changed = 0; // the feed's last change: a show added, changed or removed
    int64_t version = 0; // raised at every change
};

struct FeedContent {
    FeedHead head;
    std::vector<FeedShow> shows;
};

// A feed as served, kept until the account's feed changes. Each process keeps its own; the version
// read from the database at every request tells when a kept one is stale.
struct RenderedFeed {
    int64_t version = 0;
    std::string host, body, etag;
    // Where each show's event lies in body, by the version its row was written at, so the next
    // version's feed makes only the events of rows written since.
    struct Piece {
        std::size_t offset = 0, length = 0;
    };
    std::unordered_map<int64_t, Piece> events = {};
    std::set<std::string> zones = {}; // the zones whose VTIMEZONE the body holds
};

class FeedStore {
  public:
    // db must be open and outlive the store. key is the service's feed key: every process on one
    // database needs the same one (a fresh key per process suits a database in memory).
    explicit FeedStore(ServiceDatabase& db, std::string key = newFeedKey());

    // The account's token, made when it has none (or anew with rotate); "" when none could be made.
    // The caller has checked that uuid owns the account.
    std::string token(const std::string& username, const std::string& uuid, bool rotate);

    // The account whose token this is. Every token, well formed or not, is looked up by its
    // hash, so the answer takes the same time whether the token is known or not.
    std::optional<FeedHead> head(std::string_view token);
    FeedContent content(const FeedHead& head);
    // The versions the account's rows were written at, in the feed's order.
    std::vector<int64_t> rowVersions(const std::string& username);
    // The account's rows written at these versions (those still there).
    std::vector<FeedShow> showsWrittenAt(const std::string& username, const std::vector<int64_t>& versions);

    // The account's feed as last served for host, when it is still of version; else null.
    std::shared_ptr<const RenderedFeed> rendered(const std::string& username, int64_t version,
                                                 const std::string& host);
    void keep(const std::string& username, std::shared_ptr<const RenderedFeed> feed);
    // The account's feed last served for host, whatever its version; null when none is kept.
    std::shared_ptr<const RenderedFeed> lastRendered(const std::string& username, const std::string& host);

    // Bytes of served feeds kept, at most.
    static constexpr std::size_t kMaxKeptBytes = 64u << 20;

  private:
    Database& db_;
    const std::string key_;
    std::mutex keptMutex_;
    std::map<std::string, std::shared_ptr<const RenderedFeed>> kept_;
    std::size_t keptBytes_ = 0;
};

} // namespace vxs
