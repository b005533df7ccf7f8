#pragma once
// Upcoming album releases of the catalogue's artists, published as ten data
// pages. Like the concerts they depend only on the artist and the calendar.
#include "service/catalogue.h"
#include "service/civil_date.h"
#include "service/reply.h"

#include <string>
#include <vector>

namespace vxs {

constexpr int kReleasePages = 10;

struct Release {
    std::size_t artist = 0; // catalogue index
    CivilDate date;
    std::string title;
    std::vector<std::string> formats; // "CD", then labels such as "Import"
    std::string asin;                 // ten characters, "B0" and eight more
};

// The releases dated from today up to today + 365 days, by date. An artist whose library albums
// are known comes out now and then with a remastered reissue of one of them.
std::vector<Release> generateReleases(const Catalogue& catalogue, const CivilDate& today);

// Which data page lists an artist's releases.
int releasePageOf(const Artist& artist);

// One line a release: "<D>2027-01-19</D><A>..</A><T>..</T><F>CD@@Import@@</F><L>B0..</L>".
Reply releasePage(int page, const Catalogue& catalogue, const CivilDate& today);

// The release with that product identifier, or nullptr.
const Release* findRelease(const std::vector<Release>& releases, const std::string& asin);

} // namespace vxs
