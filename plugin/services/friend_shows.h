#pragma once
// The shows a friend shares: the request for one friend's calendar and the reader of its reply.
// The reader takes any bytes.
#include "plugin/model/show_list.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

// Longest event text read; the rest of a longer one is ignored.
constexpr std::size_t kFriendEventCapacity = 5631;

// "http://" host "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=<name>", the name in query
// form (escapeQueryValue), cut to capacity - 1.
void friendShowsRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* username);

// The service refuses the user (unknown, or no calendar shared): the friend has no shows.
bool friendReplyRefused(const char* reply);

// Fills show from one event text (nine "@@" fields; the ninth runs to the text's last character,
// which is not part of it). False, with show untouched, when the text has fewer than eight
// separators or its date is no calendar date: such an event cannot be placed in the calendar.
bool readFriendEvent(std::string_view eventText, SHOWENTRY& show);

// Hands every readable event of the reply, in order, to take as a new record labelled with the
// friend's name, up to SHOWLIST::kMostShows of them. An event without "</event>" runs to the end
// of the reply.
void readFriendShows(const char* reply, const char* friendName,
                     const std::function<void(std::unique_ptr<SHOWENTRY>)>& take);
