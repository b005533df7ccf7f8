#include "plugin/view/entry_text.h"

#include "common/fixed_text.h"
#include "common/venue_zone.h"
#include "plugin/model/show_identity.h"
#include "plugin/model/show_time.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {
const char* const kShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kFull[12] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
} // namespace

const char* shortMonthName(int month) {
    return month >= 1 && month <= 12 ? kShort[month - 1] : "";
}
const char* fullMonthName(int month) {
    return month >= 1 && month <= 12 ? kFull[month - 1] : "";
}

std::string showStartText(const SHOWENTRY& e, int64_t now) {
    int hour = 0, minute = 0;
    if (!vx::showStartTime(e, hour, minute)) return "";
    std::tm today{};
    const time_t nowTime = static_cast<time_t>(now);
    localtime_r(&nowTime, &today);
    std::string text = showDateText(e.year, e.month, e.day, e.year != today.tm_year + 1900);
    char clock[16];
    std::snprintf(clock, sizeof clock, ", %d:%02d %s", hour % 12 == 0 ? 12 : hour % 12, minute,
                  hour < 12 ? "AM" : "PM");
    text += clock;
    // The venue's clock is named only when the user's shows another hour at that moment.
    if (const auto venue = vx::ical::zoneMoment(e.timeZone, e.year, e.month, e.day, hour, minute)) {
        std::tm user{};
        const time_t start = static_cast<time_t>(venue->utcSeconds);
        localtime_r(&start, &user);
        if (user.tm_gmtoff != venue->utcOffset) text += " " + venue->shortName;
    }
    return text;
}

void formatDateLine(const SHOWENTRY* e, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    if (const std::string start = showStartText(*e, static_cast<int64_t>(std::time(nullptr)));
        !start.empty()) {
        if (std::strcmp(e->location, "-") != 0)
            std::snprintf(buffer, capacity, "%s - %s  (%s)", start.c_str(), e->venue, e->location);
        else
            std::snprintf(buffer, capacity, "%s - %s", start.c_str(), e->venue);
        return;
    }
    if (std::strcmp(e->location, "-") != 0)
        std::snprintf(buffer, capacity, "%s %d, %d - %s  (%s)", shortMonthName(e->month), e->day, e->year,
                      e->venue, e->location);
    else
        std::snprintf(buffer, capacity, "%s %d, %d - %s", shortMonthName(e->month), e->day, e->year,
                      e->venue);
}

void joinNames(FRIENDLIST* names, const char* prefix, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    vx::copyText(buffer, capacity, prefix);
    if (!names) return;
    std::lock_guard<ListMutex> guard(names->mutex);
    for (FRIENDNAME* n = names->head; n; n = n->next) {
        if (std::strlen(buffer) >= capacity - 1) break; // full: the rest would be cut anyway
        if (n != names->head) vx::appendText(buffer, capacity, ", ");
        vx::appendText(buffer, capacity, n->name);
    }
}
