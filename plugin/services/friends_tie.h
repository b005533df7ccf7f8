#pragma once
// Tells the service which friends the installation's sharing account follows, so that the phone
// app signed in to the phone account of the same name and installation lists their shared shows.
#include "plugin/net/web_session.h"

#include <string>
#include <vector>

// The requests that send friends: the first ("TODO=SET_FRIENDS") replaces what was sent before,
// each next one ("TODO=ADD_FRIENDS") adds its batch; every request fits the exchange area. One
// request with no names when there are none.
std::vector<std::string> friendsTieRequests(const char* serviceHost, const char* username, const char* uuid,
                                            const std::vector<std::string>& friends);

// Sent when sharing is on: the friend list when phone sync is on too, an empty one otherwise, which
// takes the list off the service. 0 sent (or nothing to send), 1 refused, 2 fetch failed or stopped.
int tellServiceFriends(WebSession& web);
