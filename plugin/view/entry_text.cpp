#include "plugin/view/entry_text.h"

#include "common/fixed_text.h"

#include <cstdio>
#include <cstring>
#include <mutex>

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

void formatDateLine(const SHOWENTRY* e, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
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
