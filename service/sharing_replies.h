#pragma once
// The sharing service ("/sharing/sharing.php") and the phone service
// ("/iphone/exchange.php"). A refusal the plug-in must read as one is answered
// with status 200 and the marker it looks for ("Error", "VoxtrailError",
// "<ERROR>"); a request that is not well formed gets a 4xx status.
#include "service/reply.h"
#include "service/sharing_store.h"

#include <string_view>

namespace vxs {

// client: the address the request came from, which registration and sign-in limits count by.
Reply sharingReply(std::string_view target, SharingStore& store, const std::string& client = "");
Reply phoneReply(std::string_view target, SharingStore& store, const std::string& client = "");

// True when two region texts as the plug-in stores them ("MA", "Massachusetts") name one region.
bool sameRegion(const std::string& a, const std::string& b);

} // namespace vxs
