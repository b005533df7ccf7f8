// Arbitrary bytes as the geographic look-up reply and as the IP-location page.
#include "plugin/net/location.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    float lat = 0.0f, lon = 0.0f;
    if (readLatLongReply(bytes.c_str(), &lat, &lon) == LatLongReply::found &&
        (!std::isfinite(lat) || !std::isfinite(lon)))
        __builtin_trap();
    IpPlace place;
    if (readIpLocationPage(bytes.c_str(), &place) &&
        (std::strlen(place.city) > 255 || std::strlen(place.region) > 255))
        __builtin_trap();
    return 0;
}
