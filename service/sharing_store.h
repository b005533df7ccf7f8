#pragma once
// Sharing accounts and the shows they share, and the phone accounts with their
// artists, kept in the service's database. Every table has a cap (accounts: per
// installation, and new ones per client address and minute), so no client can make
// the database grow without bound. Every check that guards a write runs in the write's
// transaction, so the caps hold when several processes share the database.
#include "service/failure_throttle.h"
#include "service/password_hash.h"
#include "service/service_database.h"
#include "service/verified_passwords.h"

#include <chrono>
#include <string>
#include <vector>

namespace vxs {

struct SharedShow {
    int year = 0, month = 0, day = 0;
    bool tickets = false;
    std::string artist, venue, location, url, otherArtists;
    std::string uid; // the show's UID in calendars; one is made when the client sends none
    bool cancelled = false;
};

// The longest texts of a show, in bytes: what the plug-in's show record holds. With the cap on an
// account's shows they bound each of its replies (about 11 MB listed for friends at the most).
constexpr std::size_t kMaxShowText = 255; // artist, venue, location, URL
constexpr std::size_t kMaxOtherArtists = 1023;

// Whether each of the show's texts is within its bound.
bool showTextsFit(const SharedShow& show);
// The show with each text cut to its bound at the start of a character: for replies of shows kept
// before the bound.
void boundShowTexts(SharedShow* show);
// A show from the nine columns year, month, day, tickets, artist, venue, location, url and other
// artists of a query's row.
SharedShow sharedShowOf(const SqlRow& row);

struct SharingUser {
    std::string username, firstName, lastName, city, state;
};

// Full: the installation has as many accounts as it may; Busy: the client address has made as
// many new accounts this minute as it may; Throttled: too many wrong passwords lately;
// Failed: the password could not be hashed (nothing stored).
enum class Registration { Created, Updated, Taken, Full, Busy, Throttled, Failed };

enum class SignIn { Accepted, Refused, Throttled };

// What ending an installation's sharing touched.
struct EndedSharing {
    long long accounts = 0, shows = 0;
};

// A show the friends of a phone account's tied sharing account share, with who shares it.
struct FriendShow {
    SharedShow show;
    std::vector<std::string> friends;
};

// Registration is bounded per installation and per client address, never by a total that
// anonymous requests could fill for everyone.
struct StoreLimits {
    int maxUsersPerInstallation = 10; // in each of the sharing and the phone accounts
    int maxShowsPerUser = 5000;       // half the plug-in's list of 10,000, as one account shares them
    int maxPhoneArtistsPerUser = 20000;
    int maxFriendsPerUser = 500;
    int maxNewUsersPerAddressPerMinute = 10;
    int hashCost = kDefaultHashCost;
    ThrottleRules throttle;
    std::chrono::seconds verifiedLifetime = std::chrono::minutes(5);
};

class SharingStore {
  public:
    // db must be open and outlive the store.
    explicit SharingStore(ServiceDatabase& db, StoreLimits limits = {});

    // A name is taken when it is registered under another installation's UUID. client is the
    // address the request came from.
    Registration registerUser(const SharingUser& user, const std::string& uuid,
                              const std::string& client = "");
    bool userExists(const std::string& username);
    bool ownsAccount(const std::string& username, const std::string& uuid);
    // False when the user is at the cap; sending a show again changes nothing. A show is found by
    // its UID, or by its date, artist and venue; one that changed gets a higher sequence.
    bool addShow(const std::string& username, const SharedShow& show);
    void deleteShow(const std::string& username, const SharedShow& show);
    std::vector<SharedShow> shows(const std::string& username);
    std::vector<SharingUser> users();
    // The installation stops sharing (it is uninstalled, or its user turned sharing off): every
    // show of its accounts goes and their feed addresses answer 404. The accounts keep their
    // names, so no one else can take a name friends follow, but no longer tell where or who
    // their owner is; registering again fills those in. Nothing of another installation changes.
    EndedSharing endSharing(const std::string& uuid);

    // Phone accounts: taken when registered under another UUID with another password. The
    // password is kept salted and hashed; every hash is made outside the store's lock.
    Registration registerPhone(const std::string& username, const std::string& uuid,
                               const std::string& password, const std::string& client = "");
    // Checks a phone account's password: an unknown name costs the same hash as a known one, and
    // repeated failures for the account or from the client wait before their next try.
    SignIn phoneSignIn(const std::string& username, const std::string& password,
                       const std::string& client = "");
    bool phonePasswordMatches(const std::string& username, const std::string& password) {
        return phoneSignIn(username, password) == SignIn::Accepted;
    }
    // Adds the names not yet held; the number added (stops at the cap).
    int addPhoneArtists(const std::string& username, const std::vector<std::string>& artists);
    std::vector<std::string> phoneArtists(const std::string& username);

    // The friends a sharing account follows, sent by the installation that owns it (false when
    // uuid does not): replace drops the ones sent before, else they are added to (up to the cap).
    // Names that are no account name, and the account's own, are left out.
    bool setFriends(const std::string& username, const std::string& uuid,
                    const std::vector<std::string>& friends, bool replace);
    // Whether a phone account is tied to a sharing account: the same name, registered by the same
    // installation. Only a tied phone account sees the sharing account's friends.
    bool phoneTiedToSharing(const std::string& phoneUser);
    // The shows the tied account's friends share from fromDate (year * 10000 + month * 100 + day)
    // on, none cancelled, in date order; a show several friends share once, with all their
    // names. Empty when the phone account is not tied.
    std::vector<FriendShow> tiedFriendShows(const std::string& phoneUser, int fromDate, std::size_t most);

  private:
    // Older databases kept phone passwords as typed: they are hashed when the store opens.
    void hashPlainPasswords();
    // Whether a new account of uuid from client may be made (inside the registration's transaction).
    Registration roomForNewUser(SqlConnection& c, const char* countSql, const std::string& uuid,
                                const std::string& client);
    // Verifies password against the stored hash (or the dummy when there is none), through the
    // cache of recent verifications; replaces an older form of hash on success.
    bool verify(const std::string& username, const std::string& password, const std::string& stored);

    Database& db_;
    StoreLimits limits_;
    SharedLimits shared_;
    // Per process: a cache that spares hashes, not a limit; a miss costs one hash, nothing more.
    VerifiedPasswords verified_;
    std::string dummyHash_; // what unknown names are checked against
};

} // namespace vxs
