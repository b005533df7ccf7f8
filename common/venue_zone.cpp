#include "common/venue_zone.h"

#include <cstdio>
#include <cstdlib>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <mutex>

namespace vx::ical {
namespace {

// libical's table of built-in zones is filled as zones are first asked for: one caller at a time.
std::mutex& zoneMutex() {
    static std::mutex mutex;
    return mutex;
}

// A zone name that cannot reach outside libical's table: no empty part and no dots.
bool plainName(std::string_view zone) {
    if (zone.empty() || zone.size() > 64 || zone.front() == '/' || zone.back() == '/') return false;
    for (char c : zone)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '+' || c == '/'))
            return false;
    return zone.find("//") == std::string_view::npos;
}

// Called with the zone mutex held.
icaltimezone* builtinZone(std::string_view zone) {
    if (!plainName(zone)) return nullptr;
    icalerror_set_errors_are_fatal(0);
    const std::string name(zone);
    if (name == "UTC") return icaltimezone_get_utc_timezone();
    return icaltimezone_get_builtin_timezone(name.c_str());
}

bool validDay(int32_t year, int32_t month, int32_t day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= icaltime_days_in_month(month, year);
}

} // namespace

std::optional<ZoneMoment> zoneMoment(std::string_view zone, int32_t year, int32_t month, int32_t day,
                                     int hour, int minute) {
    if (!validDay(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return std::nullopt;
    std::lock_guard<std::mutex> hold(zoneMutex());
    icaltimezone* tz = builtinZone(zone);
    if (!tz) return std::nullopt;
    icaltimetype local = icaltime_null_time();
    local.year = year, local.month = month, local.day = day;
    local.hour = hour, local.minute = minute;
    int daylight = 0;
    ZoneMoment moment;
    moment.utcOffset = icaltimezone_get_utc_offset(tz, &local, &daylight);
    local.zone = tz;
    moment.utcSeconds = static_cast<int64_t>(icaltime_as_timet_with_zone(local, tz));
    // "CST/CDT": the standard name, then the daylight one.
    const char* names = icaltimezone_get_tznames(tz);
    std::string_view both = names ? names : "";
    const std::size_t slash = both.find('/');
    std::string_view name = both.substr(0, slash);
    if (daylight && slash != std::string_view::npos) name = both.substr(slash + 1);
    if (name.empty() && tz == icaltimezone_get_utc_timezone()) name = "UTC";
    if (name.empty()) {
        char offset[16];
        const int minutes = (moment.utcOffset < 0 ? -moment.utcOffset : moment.utcOffset) / 60;
        std::snprintf(offset, sizeof offset, "%c%02d%02d", moment.utcOffset < 0 ? '-' : '+', minutes / 60,
                      minutes % 60);
        moment.shortName = offset;
    } else {
        moment.shortName = std::string(name);
    }
    return moment;
}

bool knownZone(std::string_view zone) {
    std::lock_guard<std::mutex> hold(zoneMutex());
    return builtinZone(zone) != nullptr;
}

namespace {

// The zone's text, made once (an export names the same few zones for thousands of shows); entries
// are never removed, so what it points to stays. Called with the zone mutex held.
const std::string& componentOf(std::string_view zone) {
    static std::map<std::string, std::string, std::less<>> made;
    if (auto it = made.find(zone); it != made.end()) return it->second;
    std::string text;
    if (icaltimezone* tz = builtinZone(zone); tz && icaltimezone_get_component(tz)) {
        std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)> copy(
            icalcomponent_new_clone(icaltimezone_get_component(tz)), icalcomponent_free);
        const std::string name(zone);
        if (icalproperty* tzid = icalcomponent_get_first_property(copy.get(), ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(tzid, name.c_str());
        else
            icalcomponent_add_property(copy.get(), icalproperty_new_tzid(name.c_str()));
        std::unique_ptr<char, decltype(&std::free)> written(icalcomponent_as_ical_string_r(copy.get()),
                                                            std::free);
        if (written) text = written.get();
    }
    // Names that are no zone are not kept: a reader of outside text must not grow the table.
    if (text.empty()) {
        static const std::string none;
        return none;
    }
    return made.emplace(std::string(zone), std::move(text)).first->second;
}

} // namespace

std::string zoneComponentText(std::string_view zone) {
    std::lock_guard<std::mutex> hold(zoneMutex());
    return componentOf(zone);
}

bool writableZone(std::string_view zone) {
    std::lock_guard<std::mutex> hold(zoneMutex());
    return !componentOf(zone).empty();
}

} // namespace vx::ical
