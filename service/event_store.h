#pragma once
// Holds the generated concerts of the current day. Requests on different days
// see different windows; the list of one day is built once and shared.
#include "service/event_generator.h"

#include <memory>
#include <mutex>
#include <optional>

namespace vxs {

class EventStore {
  public:
    // catalogue and venues must outlive the store. A fixed day makes every
    // request see that day's window (for tests); otherwise the local date is used.
    EventStore(const Catalogue& catalogue, const VenueTable& venues, std::optional<FocusArea> focus,
               std::optional<CivilDate> fixedToday);

    CivilDate today() const;
    std::shared_ptr<const std::vector<Event>> events();
    // Today's list when it has been built already, or null: never builds it.
    std::shared_ptr<const std::vector<Event>> eventsIfBuilt();

  private:
    const Catalogue& catalogue_;
    const VenueTable& venues_;
    std::optional<FocusArea> focus_;
    std::optional<CivilDate> fixedToday_;
    std::mutex mutex_;
    CivilDate builtFor_;
    std::shared_ptr<const std::vector<Event>> events_;
};

} // namespace vxs
