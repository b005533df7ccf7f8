// The two region tables and their look-up.
#include "plugin/net/region_tables.h"

#include "common/fixed_text.h"
#include "common/region_rows.h"
#include "plugin/model/text_helpers.h"

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <span>
#include <strings.h>

namespace regions = vx::regions;

namespace {

constexpr std::size_t kRegionCapacity = 256;

using vx::regions::RegionRow;

using Table = std::initializer_list<std::span<const RegionRow>>;

const char* codeForKey(const char* key, Table table) {
    for (auto part : table)
        for (const RegionRow& row : part)
            if (std::strcmp(row.key, key) == 0) return row.code;
    return nullptr;
}

// The rows' codes are upper case; the text compared with them is lower case.
bool isCode(const char* text, Table table) {
    for (auto part : table)
        for (const RegionRow& row : part)
            if (strcasecmp(row.code, text) == 0) return true;
    return false;
}

int abbreviate(char* region, Table table) {
    if (!region) return -1;
    for (char* p = region; *p; ++p)
        *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    if (std::strlen(region) > kRegionCapacity - 1) region[kRegionCapacity - 1] = '\0';
    substringErase(region);
    // A code typed as it is counts as recognised.
    if (const char* code = codeForKey(region, table))
        vx::copyText(region, kRegionCapacity, code);
    else if (!isCode(region, table))
        return -1;
    for (char* p = region; *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return 0;
}

} // namespace

int stateAbbrev_generic(char* region) {
    return abbreviate(region, {regions::kUsStates, regions::kSearchCanada, regions::kSearchCountries});
}

int latLongStateAbbrev(char* region) {
    return abbreviate(region, {regions::kUsStates, regions::kLocationCanada, regions::kLocationCountries});
}

const char* const kUnknownRegionAdvice =
    "Type the country for places outside\nthe US and Canada, such as Switzerland.";

bool regionKnown(const char* region) {
    char search[kRegionCapacity], location[kRegionCapacity];
    vx::copyText(search, region ? region : "");
    vx::copyText(location, region ? region : "");
    return stateAbbrev_generic(search) == 0 || latLongStateAbbrev(location) == 0;
}

bool isStateOrProvinceCode(const char* code) {
    char lower[8] = {};
    for (std::size_t i = 0; code && code[i]; ++i) {
        if (i + 1 == sizeof lower) return false;
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
    }
    return isCode(lower, {regions::kUsStates, regions::kSearchCanada});
}
