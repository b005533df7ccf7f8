#include "service/event_store.h"

namespace vxs {

EventStore::EventStore(const Catalogue& catalogue, const VenueTable& venues, std::optional<FocusArea> focus,
                       std::optional<CivilDate> fixedToday)
    : catalogue_(catalogue), venues_(venues), focus_(focus), fixedToday_(fixedToday) {}

CivilDate EventStore::today() const {
    return fixedToday_ ? *fixedToday_ : localToday();
}

std::shared_ptr<const std::vector<Event>> EventStore::events() {
    CivilDate day = today();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!events_ || !(builtFor_ == day)) {
        events_ =
            std::make_shared<const std::vector<Event>>(generateEvents(catalogue_, venues_, day, focus_));
        builtFor_ = day;
    }
    return events_;
}

std::shared_ptr<const std::vector<Event>> EventStore::eventsIfBuilt() {
    CivilDate day = today();
    std::lock_guard<std::mutex> lock(mutex_);
    return events_ && builtFor_ == day ? events_ : nullptr;
}

} // namespace vxs
