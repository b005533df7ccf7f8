#pragma once
// The phone app's files (service/app/), built into the program so that the service needs no
// folder of its own to serve them.
#include <cstddef>
#include <string_view>

namespace vxs {

struct AppAsset {
    std::string_view name; // "index.html"
    const char* type;      // its Content-Type
    const unsigned char* data;
    std::size_t size;
    bool longLived; // never changes under its name (icons)
};

// The file of that name, or nullptr.
const AppAsset* findAppAsset(std::string_view name);

} // namespace vxs
