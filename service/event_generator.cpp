#include "service/event_generator.h"

#include "service/stable_random.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace vxs {
namespace {

// Where artists come from, and so where most of their shows are.
struct Market {
    const char* country;
    double weight;
};
const std::array kMarkets = {
    Market{"US", 55}, Market{"CA", 9}, Market{"GB", 10}, Market{"DE", 4}, Market{"AU", 4},
    Market{"FR", 3},  Market{"IE", 2}, Market{"NL", 2},  Market{"SE", 2}, Market{"JP", 2},
    Market{"ES", 2},  Market{"IT", 2}, Market{"BR", 1},  Market{"MX", 1}, Market{"NZ", 1},
};

const char* pickMarket(StableRandom& rng) {
    double total = 0;
    for (const Market& m : kMarkets)
        total += m.weight;
    double target = rng.unit() * total;
    for (const Market& m : kMarkets) {
        if (target < m.weight) return m.country;
        target -= m.weight;
    }
    return kMarkets[0].country;
}

constexpr double kHomeShare = 0.75;
constexpr double kFocusShare = 0.1;
constexpr double kOneSupportAct = 0.3;
constexpr double kTwoSupportActs = 0.08;
constexpr int kWindowDays = 365;

} // namespace

bool listedBySource(const Event& event, int source) {
    int group = static_cast<int>((event.id >> 20) % 3);
    return group == 2 || group == source;
}

std::vector<Event> generateEvents(const Catalogue& catalogue, const VenueTable& venues,
                                  const CivilDate& today, const std::optional<FocusArea>& focus) {
    std::vector<Event> events;
    if (venues.all().empty() || catalogue.size() == 0) return events;
    const long first = daysFromCivil(today);
    const long last = first + kWindowDays; // exclusive
    VenuePool focusPool;
    if (focus) focusPool = venues.near(focus->lat, focus->lon, focus->radiusMiles);
    const std::size_t supports = catalogue.builtInCount() ? catalogue.builtInCount() : catalogue.size();

    for (std::size_t a = 0; a < catalogue.size(); ++a) {
        const std::uint64_t artistSeed = stableHash(catalogue.artists()[a].key);
        StableRandom artistRng(artistSeed);
        const VenuePool& home = venues.inCountry(pickMarket(artistRng));
        int year = today.year, month = today.month;
        for (int step = 0; step <= 12; ++step) {
            StableRandom rng(mixHash(artistSeed, static_cast<std::uint64_t>(year * 12 + month)));
            const int shows = static_cast<int>(rng.below(3)); // 0..2 a month
            std::vector<int> days;
            for (int s = 0; s < shows; ++s) {
                int day =
                    1 + static_cast<int>(rng.below(static_cast<std::uint64_t>(daysInMonth(year, month))));
                // Every draw is made whether or not the show is kept, so the next ones stay the same.
                bool atFocus = rng.chance(kFocusShare);
                bool atHome = rng.chance(kHomeShare);
                double where = rng.unit();
                bool oneSupport = rng.chance(kOneSupportAct);
                bool twoSupports = rng.chance(kTwoSupportActs);
                std::uint64_t support1 = rng.below(supports), support2 = rng.below(supports);
                if (std::find(days.begin(), days.end(), day) != days.end()) continue;
                days.push_back(day);
                CivilDate date{year, month, day};
                long n = daysFromCivil(date);
                if (n < first || n >= last) continue;

                const VenuePool& pool = atFocus && !focusPool.empty()
                                            ? focusPool
                                            : (atHome && !home.empty() ? home : venues.all());
                Event e;
                e.date = date;
                e.venue = pool.pick(where);
                e.performers.push_back(a);
                if (oneSupport || twoSupports) {
                    if (support1 != a) e.performers.push_back(support1);
                    if (twoSupports && support2 != a && support2 != support1)
                        e.performers.push_back(support2);
                }
                e.id = mixHash(mixHash(artistSeed, static_cast<std::uint64_t>(n)), e.venue);
                events.push_back(std::move(e));
            }
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    std::sort(events.begin(), events.end(), [&](const Event& x, const Event& y) {
        long dx = daysFromCivil(x.date), dy = daysFromCivil(y.date);
        return std::tie(dx, x.venue, x.performers[0]) < std::tie(dy, y.venue, y.performers[0]);
    });
    return events;
}

} // namespace vxs
