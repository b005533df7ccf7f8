#pragma once
// The start times of gathered shows, for the feeds: a show a user shared or starred names its
// event by the link the source pages gave it, and that link finds the gathered show's time.
#include "service/gather/gathered_shows.h"

#include <string>
#include <unordered_map>

namespace vxs {

struct ShowStart {
    int hour = -1, minute = 0;
    std::string zone;
};

class FeedShowTimes {
  public:
    FeedShowTimes() = default; // knows no show: every event is all day
    explicit FeedShowTimes(const std::vector<ServedShow>& served);
    // The start of the show of this link; hour -1 when no gathered show of it has a time.
    ShowStart of(const std::string& link) const;

  private:
    std::unordered_map<std::string, ShowStart> byLink_;
};

} // namespace vxs
