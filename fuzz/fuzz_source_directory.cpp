// Arbitrary bytes as the web service's directory of concert sources, and the source requests
// made from what it names.
#include "plugin/net/concert_search_place.h"
#include "plugin/net/concert_search_replies.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The page arrives as a terminated text: it ends at its first NUL.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string reply(bytes.c_str());
    const SourceDirectory directory = readSourceDirectory(reply);
    if (static_cast<std::size_t>(directory.siteCount) < directory.sources.size()) __builtin_trap();
    const ConcertSearchPlace place = concertSearchPlace("san jose", "California", 75);
    for (const ConcertSource& source : directory.sources) {
        if (source.url.size() >= reply.size()) __builtin_trap();
        char url[1024];
        sourceRequestURL(url, sizeof url, source.url.c_str(), place);
        if (std::strlen(url) > 1023) __builtin_trap();
    }
    return 0;
}
