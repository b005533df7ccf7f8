#pragma once
// Limits every service process on one database shares, counted in the database's limit_counts
// table rather than in a process's memory, so that a second process gives a client no second
// allowance.
//
// Failed sign-ins slow guessing: after a few failures under one key (an account, or a client
// address) that key must wait before it may try again, and each further failure doubles the wait
// up to a ceiling. A refused try costs the service no hash. New accounts are counted per client
// address in windows of a minute. Keys unused for an hour are forgotten.
#include "service/sql_store.h"

#include <chrono>
#include <string>

namespace vxs {

struct ThrottleRules {
    int freeFailures = 5; // failures before the first wait
    std::chrono::milliseconds firstWait{1000};
    std::chrono::milliseconds longestWait{60000};
};

// Milliseconds since 1970: the clock every process on the database reads alike.
long long wallClockMs();

class SharedLimits {
  public:
    SharedLimits(int newUsersPerMinute, ThrottleRules rules)
        : newUsersPerMinute_(newUsersPerMinute), rules_(rules) {}

    // Counts one new account from client; false when the client's minute is full.
    bool takeNewUser(SqlConnection& c, const std::string& client, long long nowMs = wallClockMs());

    // Whether key may try to sign in now.
    bool mayTry(SqlConnection& c, const std::string& key, long long nowMs = wallClockMs());
    void failed(SqlConnection& c, const std::string& key, long long nowMs = wallClockMs());
    // A success forgets the key's failures.
    void succeeded(SqlConnection& c, const std::string& key);

  private:
    void forgetOld(SqlConnection& c, long long nowMs);

    int newUsersPerMinute_;
    ThrottleRules rules_;
};

} // namespace vxs
