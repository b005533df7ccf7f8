// The album step of a refresh: the ten release pages of the web service, read against the
// library's artists into the "CD Releases" list.
#include "plugin/engine/cal_get_data.h"
#include "plugin/matching/release_matching.h"
#include "plugin/net/web_exchange.h"
#include "plugin/services/concert_search.h"

#include <cstdio>

namespace {
constexpr int kReleasePages = 10;
}

int CalGetData::UpdateAlbums() {
    ProtectedData& st = root->state;
    st.setUpdatingAlbums(true);
    st.setUpdatingProgress(0.0);
    root->redraw();

    // The releases found so far stay when the step is stopped: no rollback, unlike concerts.
    root->startNewList(root->albumReleases, root->previousAlbumReleases);

    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    const ConcertSearchPlace place = concertSearchPlace(city, region, 0);

    for (int page = 0; page < kReleasePages; ++page) {
        if (stopRequested()) return 1;
        st.incUpdatingProgress(100.0 / kReleasePages);
        root->redraw();
        char path[64], url[kFetchURLCapacity];
        std::snprintf(path, sizeof path, "/CDReleases/data/cdReleasesData_%d.html", page);
        webServiceURL(url, sizeof url, web.services.webServiceHost, path);
        WebExchange exchange(web);
        // A page that does not come is skipped; the others may still.
        if (exchange.fetch(url) != 0) continue;
        addLibraryReleases(exchange.page(), web.services.webServiceHost, place, artists, *root->albumReleases,
                           root->previousAlbumReleases);
    }
    st.setUpdatingAlbums(false);
    root->redraw();
    return 0;
}
