#include "plugin/prefs/cf_string_conversion.h"

#include <vector>

std::string CFStringToSTLString(CFStringRef string) {
    if (!string) return {};
    // Room for the longest UTF-8 form of the string and its terminator.
    std::vector<char> buffer(string->utf8.size() + 1);
    if (!CFStringGetCString(string, buffer.data(), static_cast<CFIndex>(buffer.size()),
                            kCFStringEncodingUTF8))
        return {};
    return buffer.data();
}
