#pragma once
// Reads a query whose keys come in a known order and whose values may hold "&":
// the plug-in sends artist, venue and other texts unescaped apart from blanks,
// so "ARTIST=Simon+&+Garfunkel&VENUE=..." must be split at "&VENUE=", not at
// every "&".
#include "service/query_params.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

// Each key's value is the text from behind "KEY=" up to the "&" of the next
// key's "&NEXT=", found in order; the last runs to the end of the query. False
// with a reason when a key is missing, out of order, or a limit is passed.
bool parseOrderedQuery(std::string_view target, const std::vector<std::string>& keys,
                       const QueryLimits& limits, std::map<std::string, std::string>* values,
                       std::string* error);

} // namespace vxs
