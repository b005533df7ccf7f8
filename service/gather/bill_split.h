#pragma once
// The performers of a show named in one line, as calendars write a bill: "Headliner w/ Support",
// "Headliner with A, B + C", "A / B", "A feat. B", "Headliner: A, B".
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

// Splits the headliner off at " w/ ", " with ", " feat. ", " ft. ", " / " or a first ": ", then the
// support part further at ", " and " + " (never at "&" or "and", which names hold). The headliner itself is
// never split at
// ", " or " + ", which names like "Florence + the Machine" carry far more often than bills put
// a list before the first support act. A leading "CANCELLED:" or "POSTPONED:" is not a
// performer: *mark gets it (lower case) when given.
std::vector<std::string> splitBill(std::string_view summary, std::string* mark = nullptr);

} // namespace vxs
