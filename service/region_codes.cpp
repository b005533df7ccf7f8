#include "service/region_codes.h"

#include "service/text_keys.h"

#include <array>
#include <cstring>

namespace vxs {
namespace {

struct StateRow {
    const char* key;
    const char* code;
};

const StateRow kUsStates[] = {
    {"alabama", "AL"},       {"alaska", "AK"},        {"arizona", "AZ"},
    {"arkansas", "AR"},      {"california", "CA"},    {"colorado", "CO"},
    {"connecticut", "CT"},   {"delaware", "DE"},      {"districtofcolumbia", "DC"},
    {"florida", "FL"},       {"georgia", "GA"},       {"hawaii", "HI"},
    {"idaho", "ID"},         {"illinois", "IL"},      {"indiana", "IN"},
    {"iowa", "IA"},          {"kansas", "KS"},        {"kentucky", "KY"},
    {"louisiana", "LA"},     {"maine", "ME"},         {"maryland", "MD"},
    {"massachusetts", "MA"}, {"michigan", "MI"},      {"minnesota", "MN"},
    {"mississippi", "MS"},   {"missouri", "MO"},      {"montana", "MT"},
    {"nebraska", "NE"},      {"nevada", "NV"},        {"newhampshire", "NH"},
    {"newjersey", "NJ"},     {"newmexico", "NM"},     {"newyork", "NY"},
    {"northcarolina", "NC"}, {"northdakota", "ND"},   {"ohio", "OH"},
    {"oklahoma", "OK"},      {"oregon", "OR"},        {"pennsylvania", "PA"},
    {"rhodeisland", "RI"},   {"southcarolina", "SC"}, {"southdakota", "SD"},
    {"tennessee", "TN"},     {"texas", "TX"},         {"utah", "UT"},
    {"vermont", "VT"},       {"virginia", "VA"},      {"washington", "WA"},
    {"westvirginia", "WV"},  {"wisconsin", "WI"},     {"wyoming", "WY"},
};

// Canadian rows: name key, code the plug-in sends, postal code in the city table.
struct ProvinceRow {
    const char* key;
    const char* code;
    const char* postal;
};

// The search table's rows, plus Nunavut, which it lacks.
const ProvinceRow kSearchProvinces[] = {
    {"alberta", "AB", "AB"},      {"britishcolumbia", "BC", "BC"}, {"manitoba", "MB", "MB"},
    {"newbrunswick", "NB", "NB"}, {"newfoundland", "NF", "NL"},    {"northwestterritories", "NT", "NT"},
    {"novascotia", "NS", "NS"},   {"ontario", "ON", "ON"},         {"princeedwardisland", "PE", "PE"},
    {"quebec", "QC", "QC"},       {"saskatchewan", "SK", "SK"},    {"yukon", "YT", "YT"},
    {"nunavut", "NU", "NU"},
};

// The location table's rows, plus the provinces and territories it lacks (their
// postal codes clash with none of its codes).
const ProvinceRow kLocationProvinces[] = {
    {"alberta", "AB", "AB"},
    {"britishcolumbia", "BC", "BC"},
    {"manitoba", "MB", "MB"},
    {"newfoundland", "NF", "NL"},
    {"ontario", "ON", "ON"},
    {"quebec", "QC", "QC"},
    {"saskatchewan", "SK", "SK"},
    {"yukonterritory", "YT", "YT"},
    {"newbrunswick", "NB", "NB"},
    {"novascotia", "NS", "NS"},
    {"princeedwardisland", "PE", "PE"},
    {"northwestterritories", "NT", "NT"},
    {"nunavut", "NU", "NU"},
    {"newfoundlandandlabrador", "NL", "NL"},
};

struct CountryRow {
    const char* key;
    const char* code;
    const char* iso;
};

const CountryRow kSearchCountries[] = {
    {"argentina", "ARG", "AR"},
    {"australia", "AU", "AU"},
    {"austria", "AUS", "AT"},
    {"bahamas", "BS", "BS"},
    {"belgium", "BEL", "BE"},
    {"bermuda", "BMD", "BM"},
    {"brazil", "BR", "BR"},
    {"chile", "CL", "CL"},
    {"china", "CN", "CN"},
    {"costarica", "CR", "CR"},
    {"czechrepublic", "CZ", "CZ"},
    {"denmark", "DEN", "DK"},
    {"dominicanrepublic", "DR", "DO"},
    {"estonia", "EE", "EE"},
    {"ethiopia", "ET", "ET"},
    {"finland", "FIN", "FI"},
    {"france", "FRA", "FR"},
    {"germany", "GER", "DE"},
    {"ghana", "GH", "GH"},
    {"greece", "GR", "GR"},
    {"hungary", "HU", "HU"},
    {"iceland", "IS", "IS"},
    {"india", "INA", "IN"},
    {"indonesia", "IND", "ID"},
    {"ireland", "IR", "IE"},
    {"israel", "IRL", "IL"},
    {"italy", "ITA", "IT"},
    {"jamaica", "JM", "JM"},
    {"japan", "JP", "JP"},
    {"latvia", "LV", "LV"},
    {"liechtenstein", "LI", "LI"},
    {"lithuania", "LT", "LT"},
    {"luxembourg", "LU", "LU"},
    {"malaysia", "MY", "MY"},
    {"mexico", "MX", "MX"},
    {"netherlands", "NL", "NL"},
    {"newzealand", "NZ", "NZ"},
    {"nigeria", "NG", "NG"},
    {"norway", "NOR", "NO"},
    {"peru", "PER", "PE"},
    {"poland", "PL", "PL"},
    {"portugal", "POR", "PT"},
    {"puertorico", "PR", "PR"},
    {"russia", "RUS", "RU"},
    {"singapore", "SN", "SG"},
    {"slovakrepublic", "SKR", "SK"},
    {"southafrica", "ZA", "ZA"},
    {"southkorea", "KR", "KR"},
    {"spain", "SPA", "ES"},
    {"sweden", "SWE", "SE"},
    {"switzerland", "SWI", "CH"},
    {"thailand", "TH", "TH"},
    {"turkey", "TR", "TR"},
    {"unitedarabemirates", "UAE", "AE"},
    {"unitedkingdom", "UK", "GB"},
    {"virginislands", "VI", "VI"},
};

const CountryRow kLocationCountries[] = {
    {"algeria", "ALG", "DZ"},
    {"argentina", "ARG", "AR"},
    {"australia", "AUS", "AU"},
    {"austria", "AUT", "AT"},
    {"bahamas", "BAH", "BS"},
    {"belgium", "BEL", "BE"},
    {"belize", "BLZ", "BZ"},
    {"benin", "BEN", "BJ"},
    {"brazil", "BRA", "BR"},
    {"burkinafaso", "BFA", "BF"},
    {"cambodia", "CAM", "KH"},
    {"capeverde", "CV", "CV"},
    {"chile", "CHL", "CL"},
    {"china", "CHN", "CN"},
    {"cyprus", "CYP", "CY"},
    {"czechrepublic", "CZE", "CZ"},
    {"denmark", "DEN", "DK"},
    {"dominicanrepublic", "DR", "DO"},
    {"elsalvador", "SLV", "SV"},
    {"estonia", "EST", "EE"},
    {"finland", "FIN", "FI"},
    {"france", "FRA", "FR"},
    {"gambia", "GAM", "GM"},
    {"germany", "GER", "DE"},
    {"ghana", "GHA", "GH"},
    {"greece", "GRE", "GR"},
    {"guinea", "GUI", "GN"},
    {"guyana", "GUY", "GY"},
    {"honduras", "HON", "HN"},
    {"hungary", "HUN", "HU"},
    {"iceland", "ICE", "IS"},
    {"india", "IND", "IN"},
    {"indonesia", "IDN", "ID"},
    {"ireland", "IRE", "IE"},
    {"israel", "ISR", "IL"},
    {"italy", "ITA", "IT"},
    {"ivorycoast", "IVO", "CI"},
    {"jamaica", "JAM", "JM"},
    {"japan", "JPN", "JP"},
    {"korea", "KOR", "KR"},
    {"laos", "LAO", "LA"},
    {"latvia", "LAT", "LV"},
    {"liberia", "LIB", "LR"},
    {"liechtenstein", "LIE", "LI"},
    {"luxembourg", "LUX", "LU"},
    {"macau", "MAC", "MO"},
    {"malaysia", "MAL", "MY"},
    {"mali", "MLI", "ML"},
    {"mexico", "MEX", "MX"},
    {"morocco", "MOR", "MA"},
    {"netherlands", "NET", "NL"},
    {"newzealand", "NZ", "NZ"},
    {"niger", "NIG", "NE"},
    {"norway", "NOR", "NO"},
    {"paraguay", "PAR", "PY"},
    {"peru", "PER", "PE"},
    {"philippines", "PHI", "PH"},
    {"poland", "POL", "PL"},
    {"portugal", "POR", "PT"},
    {"puertorico", "PR", "PR"},
    {"russia", "RUS", "RU"},
    {"senegal", "SEN", "SN"},
    {"sierraleone", "SIE", "SL"},
    {"singapore", "SIN", "SG"},
    {"southafrica", "SAF", "ZA"},
    {"spain", "SPA", "ES"},
    {"suriname", "SUR", "SR"},
    {"sweden", "SWE", "SE"},
    {"switzerland", "SWI", "CH"},
    {"togo", "TOG", "TG"},
    {"tunisia", "TUN", "TN"},
    {"turkey", "TUR", "TR"},
    {"unitedarabemirates", "UAE", "AE"},
    {"unitedkingdom", "UK", "GB"},
    {"venezuela", "VEN", "VE"},
};

template <typename Row, std::size_t N, typename Make>
std::optional<RegionRef> findIn(const Row (&rows)[N], const std::string& key, const std::string& upper,
                                Make make) {
    for (const Row& r : rows)
        if (upper == r.code) return make(r);
    for (const Row& r : rows)
        if (key == r.key) return make(r);
    return std::nullopt;
}

std::optional<RegionRef> findInTable(const std::string& key, const std::string& upper, RegionTable table) {
    auto state = [](const StateRow& r) { return RegionRef{"US", r.code}; };
    auto province = [](const ProvinceRow& r) { return RegionRef{"CA", r.postal}; };
    auto country = [](const CountryRow& r) { return RegionRef{r.iso, ""}; };
    if (auto ref = findIn(kUsStates, key, upper, state)) return ref;
    if (table == RegionTable::Search) {
        if (auto ref = findIn(kSearchProvinces, key, upper, province)) return ref;
        return findIn(kSearchCountries, key, upper, country);
    }
    if (auto ref = findIn(kLocationProvinces, key, upper, province)) return ref;
    return findIn(kLocationCountries, key, upper, country);
}

} // namespace

std::optional<RegionRef> resolveRegion(std::string_view text, RegionTable table) {
    std::string key = placeKey(text);
    if (key.empty()) return std::nullopt;
    std::string upper = upperAscii(key);
    if (auto ref = findInTable(key, upper, table)) return ref;
    // A name that the caller's table lacks may still be in the other one (typed
    // "korea" reaches the search endpoints unconverted); names only, never codes.
    auto byName = [&](RegionTable other) { return findInTable(key, std::string(), other); };
    return byName(table == RegionTable::Search ? RegionTable::Location : RegionTable::Search);
}

std::string regionDisplay(const RegionRef& ref) {
    if (!ref.region.empty()) return ref.region;
    return countryName(ref.country);
}

std::string countryName(std::string_view iso2) {
    struct Name {
        const char* iso;
        const char* name;
    };
    static const Name names[] = {
        {"US", "United States"},
        {"CA", "Canada"},
        {"AR", "Argentina"},
        {"AU", "Australia"},
        {"AT", "Austria"},
        {"BS", "Bahamas"},
        {"BE", "Belgium"},
        {"BM", "Bermuda"},
        {"BR", "Brazil"},
        {"CL", "Chile"},
        {"CN", "China"},
        {"CR", "Costa Rica"},
        {"CZ", "Czech Republic"},
        {"DK", "Denmark"},
        {"DO", "Dominican Republic"},
        {"EE", "Estonia"},
        {"ET", "Ethiopia"},
        {"FI", "Finland"},
        {"FR", "France"},
        {"DE", "Germany"},
        {"GH", "Ghana"},
        {"GR", "Greece"},
        {"HU", "Hungary"},
        {"IS", "Iceland"},
        {"IN", "India"},
        {"ID", "Indonesia"},
        {"IE", "Ireland"},
        {"IL", "Israel"},
        {"IT", "Italy"},
        {"JM", "Jamaica"},
        {"JP", "Japan"},
        {"LV", "Latvia"},
        {"LI", "Liechtenstein"},
        {"LT", "Lithuania"},
        {"LU", "Luxembourg"},
        {"MY", "Malaysia"},
        {"MX", "Mexico"},
        {"NL", "Netherlands"},
        {"NZ", "New Zealand"},
        {"NG", "Nigeria"},
        {"NO", "Norway"},
        {"PE", "Peru"},
        {"PL", "Poland"},
        {"PT", "Portugal"},
        {"PR", "Puerto Rico"},
        {"RU", "Russia"},
        {"SG", "Singapore"},
        {"SK", "Slovak Republic"},
        {"ZA", "South Africa"},
        {"KR", "South Korea"},
        {"ES", "Spain"},
        {"SE", "Sweden"},
        {"CH", "Switzerland"},
        {"TH", "Thailand"},
        {"TR", "Turkey"},
        {"AE", "United Arab Emirates"},
        {"GB", "United Kingdom"},
        {"VI", "Virgin Islands"},
        {"DZ", "Algeria"},
        {"BZ", "Belize"},
        {"BJ", "Benin"},
        {"BF", "Burkina Faso"},
        {"KH", "Cambodia"},
        {"CV", "Cape Verde"},
        {"CY", "Cyprus"},
        {"SV", "El Salvador"},
        {"GM", "Gambia"},
        {"GN", "Guinea"},
        {"GY", "Guyana"},
        {"HN", "Honduras"},
        {"CI", "Ivory Coast"},
        {"LA", "Laos"},
        {"LR", "Liberia"},
        {"MO", "Macau"},
        {"ML", "Mali"},
        {"MA", "Morocco"},
        {"NE", "Niger"},
        {"PY", "Paraguay"},
        {"PH", "Philippines"},
        {"SN", "Senegal"},
        {"SL", "Sierra Leone"},
        {"SR", "Suriname"},
        {"TG", "Togo"},
        {"TN", "Tunisia"},
        {"VE", "Venezuela"},
    };
    for (const Name& n : names)
        if (iso2 == n.iso) return n.name;
    return std::string(iso2);
}

} // namespace vxs
