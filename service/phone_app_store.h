#pragma once
// What the phone web app keeps for a phone account: its sign-in sessions, the shows starred on the
// phone, and the calendar feed that lists them. A session is kept by its token's hash only, so a
// copy of the database signs no one in; the feed token follows the sharing feeds' scheme.
#include "service/feed_store.h"
#include "service/service_database.h"
#include "service/sharing_store.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

constexpr std::chrono::seconds kSessionLifetime = std::chrono::hours(24 * 30);
// Sessions an account keeps at once; a new one beyond this ends its oldest.
constexpr int kMaxSessionsPerAccount = 20;
// Stars an account keeps at once.
constexpr int kMaxStarsPerAccount = 2000;

struct PhoneSession {
    std::string username;
    std::string csrf; // the token every form of the session posts back
};

// A show starred on the phone, as its feed lists it.
struct StarredShow {
    std::string key; // the show's identity in the app: its source event and artist
    SharedShow show;
    std::string uid;
    long long changed = 0;
};

// Whether text is a session token as the app hands them out: 64 lower-case hex digits.
bool wellFormedSessionToken(std::string_view text);

class PhoneAppStore {
  public:
    // db must be open and outlive the store; feedKey is the service's feed key.
    PhoneAppStore(ServiceDatabase& db, std::string feedKey);

    // A new session of the account: its token (handed to the browser only) and CSRF token.
    // nullopt when no random bytes could be had.
    std::optional<std::pair<std::string, PhoneSession>> openSession(const std::string& username);
    // The live session a token names; every token is looked up by its hash alike.
    std::optional<PhoneSession> session(std::string_view token);
    void closeSession(std::string_view token);

    // Stars are idempotent; false when the account is at its cap.
    bool star(const std::string& username, const StarredShow& show);
    void unstar(const std::string& username, const std::string& key);
    std::vector<StarredShow> stars(const std::string& username);

    // The account's feed token, made when it has none; "" for an unknown account or no randomness.
    std::string feedToken(const std::string& username);
    // The account whose feed the token names, with the feed's change and version.
    std::optional<FeedHead> feedHead(std::string_view token);

  private:
    Database& db_;
    const std::string key_;
};

} // namespace vxs
