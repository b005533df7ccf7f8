#pragma once
// Sharing accounts and the shows they share, and the phone accounts with their
// artists, kept in the service's database. Every table has a cap, so no client
// can make the database grow without bound.
#include "service/service_database.h"

#include <mutex>
#include <string>
#include <vector>

namespace vxs {

struct SharedShow {
    int year = 0, month = 0, day = 0;
    bool tickets = false;
    std::string artist, venue, location, url, otherArtists;
    std::string uid; // the show's UID in calendars; one is made when the client sends none
};

struct SharingUser {
    std::string username, firstName, lastName, city, state;
};

enum class Registration { Created, Updated, Taken, Full };

struct StoreLimits {
    int maxUsers = 10000;
    int maxShowsPerUser = 2000;
    int maxPhoneArtistsPerUser = 20000;
};

class SharingStore {
  public:
    // db must be open and outlive the store.
    explicit SharingStore(ServiceDatabase& db, StoreLimits limits = {});

    // A name is taken when it is registered under another installation's UUID.
    Registration registerUser(const SharingUser& user, const std::string& uuid);
    bool userExists(const std::string& username);
    bool ownsAccount(const std::string& username, const std::string& uuid);
    // False when the user is at the cap; sending a show again changes nothing. A show is found by
    // its UID, or by its date, artist and venue; one that changed gets a higher sequence.
    bool addShow(const std::string& username, const SharedShow& show);
    void deleteShow(const std::string& username, const SharedShow& show);
    std::vector<SharedShow> shows(const std::string& username);
    std::vector<SharingUser> users();

    // Phone accounts: taken when registered under another UUID with another password. The
    // password is kept salted and hashed.
    Registration registerPhone(const std::string& username, const std::string& uuid,
                               const std::string& password);
    bool phonePasswordMatches(const std::string& username, const std::string& password);
    // Adds the names not yet held; the number added (stops at the cap).
    int addPhoneArtists(const std::string& username, const std::vector<std::string>& artists);
    std::vector<std::string> phoneArtists(const std::string& username);

  private:
    // Older databases kept phone passwords as typed: they are hashed when the store opens.
    void hashPlainPasswords();
    long long count(const char* sql, const std::string& username);

    sqlite3* db_;
    StoreLimits limits_;
    std::mutex mutex_;
};

} // namespace vxs
