// Arbitrary bytes as the nearby-users reply: one record per "</entry>", every text terminated
// within its 64 bytes.
#include "plugin/services/nearby_users.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The reader sees the text up to its first NUL, as the page is handed over.
    const std::string text(bytes.c_str());
    std::size_t ends = 0;
    for (std::size_t at = 0; (at = text.find("</entry>", at)) != std::string::npos; at += 8)
        ++ends;
    const std::vector<SHARER> sharers = readNearbyUsers(bytes.c_str());
    if (sharers.size() != ends) __builtin_trap();
    for (const SHARER& s : sharers)
        for (const char* text : {s.username, s.firstname, s.lastname, s.city, s.state})
            if (strnlen(text, 64) > 63) __builtin_trap();
    return 0;
}
