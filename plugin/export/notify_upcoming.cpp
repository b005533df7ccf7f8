#include "plugin/export/notify_upcoming.h"

#include "platform/script_runner.h"
#include "plugin/export/notify_texts.h"
#include "plugin/export/notify_window.h"
#include "plugin/model/text_helpers.h"

#include "common/fixed_text.h"

#include <cstring>
#include <mutex>

namespace {

// What a notice needs of a show or release, copied while no refresh can free the entry.
struct FoundEntry {
    bool found = false;
    char artist[256] = {};
    char venue[256] = {};
    char location[256] = {};
    char url[256] = {};
    int32_t day = 0, month = 0, year = 0;

    void take(const SHOWENTRY* e) {
        if (!e) return;
        found = true;
        vx::copyText(artist, e->artist);
        vx::copyText(venue, e->venue);
        vx::copyText(location, e->location);
        vx::copyText(url, e->url);
        day = e->day;
        month = e->month;
        year = e->year;
    }
};

void fromPascal(const unsigned char* p, char (&out)[256]) {
    out[0] = '\0';
    if (!p) return;
    const std::size_t n = p[0];
    std::memcpy(out, p + 1, n);
    out[n] = '\0';
}

bool cleansToNothing(const char* name) {
    char cleaned[256];
    vx::copyText(cleaned, name);
    cleanArtist(cleaned);
    return cleaned[0] == '\0';
}

void notifyConcert(const FoundEntry& show, bool growl, const char* webServiceHost) {
    const std::string date = notifyDateText(show.day, show.month, show.year);
    const std::string venue = notifyVenueText(show.venue, show.location);
    if (growl) {
        SimpleRunAppleScript(
            growlNoticeScript(NoticeKind::Concert, show.artist, venue.c_str(), date.c_str()).c_str());
        return;
    }
    closeNotifyWindow(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow);
    OpenNotifyGUI(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow, 0,
                  "Artist:", "Venue:", "Date:", show.artist, venue.c_str(), date.c_str(), show.url,
                  webServiceHost);
}

void notifyAlbum(const FoundEntry& release, bool growl, const char* webServiceHost) {
    const std::string date = notifyDateText(release.day, release.month, release.year);
    if (growl) {
        SimpleRunAppleScript(
            growlNoticeScript(NoticeKind::Album, release.artist, release.venue, date.c_str()).c_str());
        return;
    }
    closeNotifyWindow(&hNotifyAlbumWindow, &theTimerAlbumWindow, &theAnimationAlbumWindow);
    OpenNotifyGUI(&hNotifyAlbumWindow, &theTimerAlbumWindow, &theAnimationAlbumWindow, 1,
                  "Artist:", "Album:", "Date:", release.artist, release.venue, date.c_str(), release.url,
                  webServiceHost);
}

} // namespace

void notifyUserOfUpcomingShow(PluginData* root, XML_Album_List& libraryAlbums, const char* webServiceHost,
                              const unsigned char* artistField, const unsigned char*) {
    if (!root) return;
    char artist[256];
    fromPascal(artistField, artist);
    // A track without an artist (or one of articles only) would match every unnamed entry.
    if (cleansToNothing(artist)) return;
    ProtectedData& st = root->state;
    FoundEntry show, release;
    {
        // A refresh frees the lists that leave the "previous" slot under the render lock, so the
        // entries are copied before it is let go.
        std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
        if (st.getNotifyConcerts() && root->concerts) show.take(root->concerts->findShow(artist));
        if (st.getNotifyAlbums() && root->albumReleases) release.take(root->albumReleases->findAlbum(artist));
    }
    const bool growl = st.getNotificationWindowStyle();

    char last[ProtectedData::lastArtistNotifiedCapacity];
    st.getLastArtistNotified(last);
    if (show.found && std::strcmp(artist, last) != 0) {
        st.setLastArtistNotified(artist);
        notifyConcert(show, growl, webServiceHost);
    }

    char lastAlbum[ProtectedData::lastAlbumNotifiedCapacity];
    st.getLastAlbumNotified(lastAlbum);
    if (release.found && std::strcmp(release.venue, lastAlbum) != 0) {
        st.setLastAlbumNotified(release.venue);
        char owned[256];
        vx::copyText(owned, release.venue);
        cleanArtist(owned);
        if (libraryAlbums.contains(owned)) return; // the user has it
        notifyAlbum(release, growl, webServiceHost);
    }
}
