// The two region tables and their look-up.
#include "plugin/net/region_tables.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <span>

namespace {

constexpr std::size_t kRegionCapacity = 256;

struct RegionRow {
    const char* key;
    const char* code;
};

// Both tables start with the 50 states and the District of Columbia.
const RegionRow kUsStates[] = {
    {"alabama", "al"},       {"alaska", "ak"},        {"arizona", "az"},
    {"arkansas", "ar"},      {"california", "ca"},    {"colorado", "co"},
    {"connecticut", "ct"},   {"delaware", "de"},      {"districtofcolumbia", "dc"},
    {"florida", "fl"},       {"georgia", "ga"},       {"hawaii", "hi"},
    {"idaho", "id"},         {"illinois", "il"},      {"indiana", "in"},
    {"iowa", "ia"},          {"kansas", "ks"},        {"kentucky", "ky"},
    {"louisiana", "la"},     {"maine", "me"},         {"maryland", "md"},
    {"massachusetts", "ma"}, {"michigan", "mi"},      {"minnesota", "mn"},
    {"mississippi", "ms"},   {"missouri", "mo"},      {"montana", "mt"},
    {"nebraska", "ne"},      {"nevada", "nv"},        {"newhampshire", "nh"},
    {"newjersey", "nj"},     {"newmexico", "nm"},     {"newyork", "ny"},
    {"northcarolina", "nc"}, {"northdakota", "nd"},   {"ohio", "oh"},
    {"oklahoma", "ok"},      {"oregon", "or"},        {"pennsylvania", "pa"},
    {"rhodeisland", "ri"},   {"southcarolina", "sc"}, {"southdakota", "sd"},
    {"tennessee", "tn"},     {"texas", "tx"},         {"utah", "ut"},
    {"vermont", "vt"},       {"virginia", "va"},      {"washington", "wa"},
    {"westvirginia", "wv"},  {"wisconsin", "wi"},     {"wyoming", "wy"},
};

// Search region table: Canada, then countries and other regions.
const RegionRow kSearchCanada[] = {
    {"alberta", "ab"},      {"britishcolumbia", "bc"}, {"manitoba", "mb"},
    {"newbrunswick", "nb"}, {"newfoundland", "nf"},    {"northwestterritories", "nt"},
    {"novascotia", "ns"},   {"ontario", "on"},         {"princeedwardisland", "pe"},
    {"quebec", "qc"},       {"saskatchewan", "sk"},    {"yukon", "yt"},
};
const RegionRow kSearchCountries[] = {
    {"argentina", "arg"},
    {"australia", "au"},
    {"austria", "aus"},
    {"bahamas", "bs"},
    {"belgium", "bel"},
    {"bermuda", "bmd"},
    {"brazil", "br"},
    {"chile", "cl"},
    {"china", "cn"},
    {"costarica", "cr"},
    {"czechrepublic", "cz"},
    {"denmark", "den"},
    {"dominicanrepublic", "dr"},
    {"estonia", "ee"},
    {"ethiopia", "et"},
    {"finland", "fin"},
    {"france", "fra"},
    {"germany", "ger"},
    {"ghana", "gh"},
    {"greece", "gr"},
    {"hungary", "hu"},
    {"iceland", "is"},
    {"india", "ina"},
    {"indonesia", "ind"},
    {"ireland", "ir"},
    {"israel", "irl"},
    {"italy", "ita"},
    {"jamaica", "jm"},
    {"japan", "jp"},
    {"latvia", "lv"},
    {"liechtenstein", "li"},
    {"lithuania", "lt"},
    {"luxembourg", "lu"},
    {"malaysia", "my"},
    {"mexico", "mx"},
    {"netherlands", "nl"},
    {"newzealand", "nz"},
    {"nigeria", "ng"},
    {"norway", "nor"},
    {"peru", "per"},
    {"poland", "pl"},
    {"portugal", "por"},
    {"puertorico", "pr"},
    {"russia", "rus"},
    {"singapore", "sn"},
    {"slovakrepublic", "skr"},
    {"southafrica", "za"},
    {"southkorea", "kr"},
    {"spain", "spa"},
    {"sweden", "swe"},
    {"switzerland", "swi"},
    {"thailand", "th"},
    {"turkey", "tr"},
    {"unitedarabemirates", "uae"},
    {"unitedkingdom", "uk"},
    {"virginislands", "vi"},
};

// Location region table: Canada, then countries and other regions.
const RegionRow kLocationCanada[] = {
    {"alberta", "ab"}, {"britishcolumbia", "bc"}, {"manitoba", "mb"},     {"newfoundland", "nf"},
    {"ontario", "on"}, {"quebec", "qc"},          {"saskatchewan", "sk"}, {"yukonterritory", "yt"},
};
const RegionRow kLocationCountries[] = {
    {"algeria", "alg"},
    {"argentina", "arg"},
    {"australia", "aus"},
    {"austria", "aut"},
    {"bahamas", "bah"},
    {"belgium", "bel"},
    {"belize", "blz"},
    {"benin", "ben"},
    {"brazil", "bra"},
    {"burkinafaso", "bfa"},
    {"cambodia", "cam"},
    {"capeverde", "cv"},
    {"chile", "chl"},
    {"china", "chn"},
    {"cyprus", "cyp"},
    {"czechrepublic", "cze"},
    {"denmark", "den"},
    {"dominicanrepublic", "dr"},
    {"elsalvador", "slv"},
    {"estonia", "est"},
    {"finland", "fin"},
    {"france", "fra"},
    {"gambia", "gam"},
    {"germany", "ger"},
    {"ghana", "gha"},
    {"greece", "gre"},
    {"guinea", "gui"},
    {"guyana", "guy"},
    {"honduras", "hon"},
    {"hungary", "hun"},
    {"iceland", "ice"},
    {"india", "ind"},
    {"indonesia", "idn"},
    {"ireland", "ire"},
    {"israel", "isr"},
    {"italy", "ita"},
    {"ivorycoast", "ivo"},
    {"jamaica", "jam"},
    {"japan", "jpn"},
    {"korea", "kor"},
    {"laos", "lao"},
    {"latvia", "lat"},
    {"liberia", "lib"},
    {"liechtenstein", "lie"},
    {"luxembourg", "lux"},
    {"macau", "mac"},
    {"malaysia", "mal"},
    {"mali", "mli"},
    {"mexico", "mex"},
    {"morocco", "mor"},
    {"netherlands", "net"},
    {"newzealand", "nz"},
    {"niger", "nig"},
    {"norway", "nor"},
    {"paraguay", "par"},
    {"peru", "per"},
    {"philippines", "phi"},
    {"poland", "pol"},
    {"portugal", "por"},
    {"puertorico", "pr"},
    {"russia", "rus"},
    {"senegal", "sen"},
    {"sierraleone", "sie"},
    {"singapore", "sin"},
    {"southafrica", "saf"},
    {"spain", "spa"},
    {"suriname", "sur"},
    {"sweden", "swe"},
    {"switzerland", "swi"},
    {"togo", "tog"},
    {"tunisia", "tun"},
    {"turkey", "tur"},
    {"unitedarabemirates", "uae"},
    {"unitedkingdom", "uk"},
    {"venezuela", "ven"},
};

using Table = std::initializer_list<std::span<const RegionRow>>;

const char* codeForKey(const char* key, Table table) {
    for (auto part : table)
        for (const RegionRow& row : part)
            if (std::strcmp(row.key, key) == 0) return row.code;
    return nullptr;
}

bool isCode(const char* text, Table table) {
    for (auto part : table)
        for (const RegionRow& row : part)
            if (std::strcmp(row.code, text) == 0) return true;
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
    return abbreviate(region, {kUsStates, kSearchCanada, kSearchCountries});
}

int latLongStateAbbrev(char* region) {
    return abbreviate(region, {kUsStates, kLocationCanada, kLocationCountries});
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
    return isCode(lower, {kUsStates, kSearchCanada});
}
