#pragma once
// Shows from a web page's schema.org JSON-LD (what venue and ticket pages publish for search
// engines): every <script type="application/ld+json"> block, read with nlohmann-json.
#include "service/gather/gathered_event.h"

#include <string_view>
#include <vector>

namespace vxs {

SourceReading readJsonLdShows(std::string_view page, const ReadContext& context);

// The text of each JSON-LD script block of an HTML page, at most maxBlocks of them; a page that is
// JSON itself is one block.
std::vector<std::string_view> jsonLdBlocks(std::string_view page, std::size_t maxBlocks, std::size_t* more);

// Whether JSON text opens more than maxDepth arrays and objects inside one another (strings
// skipped), so that a recursive parser is never handed it.
bool jsonNestedDeeperThan(std::string_view json, int maxDepth);

} // namespace vxs
