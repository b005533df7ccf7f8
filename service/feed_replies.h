#pragma once
// The calendar feed of a sharing account ("/feed/TOKEN.ics") and the owner's requests for its
// address ("TODO=FEED_URL", "TODO=FEED_ROTATE" on the sharing service).
#include "service/feed_show_times.h"
#include "service/feed_store.h"
#include "service/reply.h"
#include "service/sharing_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace vxs {

// Hours a calendar program waits between two reads of the feed.
constexpr int kFeedRefreshHours = 6;

// For a sharing request asking for the feed's address: whether it asks for a new one.
std::optional<bool> feedAddressRequest(std::string_view target);

// "TODO=FEED_URL&USERNAME=…&UUID=…": the feed's whole address, made when the account has none;
// "TODO=FEED_ROTATE" the same with a new token (the old address then answers 404).
Reply feedAddressReply(std::string_view target, bool rotate, SharingStore& sharing, FeedStore& feeds,
                       const std::string& host);

// The feed for "TOKEN.ics" (what follows "/feed/"), with its ETag and Last-Modified; 304 when the
// client's copy is current; 404 for a token that names no feed. A show gathered (when gathered is
// given) with a start time is a timed event.
Reply feedReply(std::string_view name, FeedStore& feeds, const std::string& host,
                const std::string& ifNoneMatch, const std::string& ifModifiedSince,
                const GatheredShows* gathered = nullptr);

// The body of an account's feed.
std::string feedCalendar(const FeedContent& feed, const std::string& host, const FeedShowTimes& times = {});

// Whether an If-None-Match list names etag (or is "*"). The comparison is the weak one: W/"x"
// names the same feed as "x".
bool matchesEtag(std::string_view header, std::string_view etag);

// The request target as the log may keep it: a feed's token is as good as its address.
std::string feedTargetForLog(std::string_view target);

} // namespace vxs
