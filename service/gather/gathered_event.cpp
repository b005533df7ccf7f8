#include "service/gather/gathered_event.h"

namespace vxs {

const char* showStatusName(ShowStatus status) {
    switch (status) {
    case ShowStatus::Cancelled:
        return "cancelled";
    case ShowStatus::Postponed:
        return "postponed";
    case ShowStatus::Rescheduled:
        return "rescheduled";
    case ShowStatus::Scheduled:
        break;
    }
    return "scheduled";
}

bool withinListedDays(const CivilDate& date, const CivilDate& today, std::string* reason) {
    const long day = daysFromCivil(date), first = daysFromCivil(today);
    if (day < first) {
        *reason = "dated in the past";
        return false;
    }
    if (day >= first + 365) {
        *reason = "dated more than a year ahead";
        return false;
    }
    return true;
}

} // namespace vxs
