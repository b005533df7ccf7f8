#pragma once
// The users who share their calendar from the user's own city, offered as friends to add: the
// request and the reader of its reply. The reader takes any bytes.
#include "plugin/net/web_session.h"

#include <vector>

// One nearby user: five texts of at most 63 characters.
struct SHARER {
    char username[64] = {};
    char firstname[64] = {};
    char lastname[64] = {};
    char city[64] = {};
    char state[64] = {};
};

// "http://" host "/sharing/sharing.php?TODO=GETLOCALUSERS&CITY=<city>&STATE=<state>", values in
// query form (escapeQueryValue), cut to capacity - 1.
void nearbyUsersRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* city,
                           const char* state);

// Sends the request for the current city and state and leaves the reply in fetchPage: 0 when it
// came, 2 when the fetch failed. The caller holds the web lock until it has read the reply.
int getNearbyFriends(WebSession& web);

// One record per "</entry>", each tag searched only inside its entry; a tag that is missing or
// not closed there reads as empty.
std::vector<SHARER> readNearbyUsers(const char* reply);
