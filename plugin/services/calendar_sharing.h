#pragma once
// The client of the sharing service: registers the user's name, checks a friend's name, and
// publishes or withdraws the user's chosen shows so that friends see them.
#include "plugin/model/show_list.h"
#include "plugin/net/web_session.h"

#include <memory>
#include <string>

// Results of the sharing requests.
enum : int { kSharingDone = 0, kSharingRefused = 1, kSharingFetchFailed = 2 };

// What a request sends of a show, and its choice, copied so that the web exchange runs with no
// list lock held.
std::unique_ptr<SHOWENTRY> copyShowForSharing(const SHOWENTRY& show);

// The service refused a request when its reply holds "Error" anywhere.
bool sharingRefused(const char* reply);

// The request texts, each value in query form; the fetch cuts them to the exchange area.
std::string userExistsRequest(const char* serviceHost, const char* username);
std::string initializeUserRequest(const char* serviceHost, ProtectedData& state);
// todo is "ADD_SHOW" or "DELETE_SHOW".
std::string sharedShowRequest(const char* serviceHost, const char* todo, const char* username,
                              const char* uuid, const SHOWENTRY& show);

// 0 exists, 1 no such user, 2 fetch failed.
int checkIfUserExists(WebSession& web, const char* username);
// 0 registered, 1 the name is taken, 2 fetch failed.
int initializeSharing(WebSession& web);
// Sends every chosen show of the concerts (every show when all are shared); stops at the first
// refusal or failed fetch. The result is not used.
int addSharedShows(WebSession& web);
// The sharing step of a refresh: registers, then publishes; a name taken by another
// installation is told in an alert on the host thread. Always 0.
int shareUserCalendar(WebSession& web);
// One show in or out of the published ones: 1 success, 0 failed fetch or refusal.
int addSingleSharedShow(WebSession& web, SHOWENTRY* show);
int deleteSingleSharedShow(WebSession& web, SHOWENTRY* show);
// Either of the two; *stopped tells a send that a newer refresh or the shutdown broke off.
int shareSingleShow(WebSession& web, const SHOWENTRY* show, bool add, bool* stopped);

// The account's calendar feed address: 0 with url set, 1 refused (no such account here), 2 fetch
// failed. With rotate the service replaces the address; the old one stops working.
int requestFeedAddress(WebSession& web, bool rotate, std::string& url);

// Sharing is turned off: the service removes every show the installation's accounts share and
// retires their feed addresses. 0 done, 1 refused, 2 fetch failed.
int endInstallationSharing(WebSession& web);
std::string endSharingRequest(const char* serviceHost, const char* uuid);

// Posts the "Username already taken." alert to the host thread; the caller does not wait.
void postUsernameTakenAlert();
