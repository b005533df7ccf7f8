// The friends step of a refresh: every friend's shared shows, gathered in friendShows with the
// names of the friends who go to each.
#include "plugin/engine/cal_get_data.h"
#include "plugin/net/web_exchange.h"
#include "plugin/services/friend_shows.h"

#include <vector>

namespace {

// The friend names as the list holds them now; the preferences window may change the list while
// the step runs, which takes effect at the next step.
std::vector<FRIENDNAME> copyNames(FRIENDLIST& friends) {
    std::vector<FRIENDNAME> names;
    std::lock_guard<ListMutex> hold(friends.mutex);
    for (FRIENDNAME* n = friends.head; n; n = n->next)
        names.emplace_back(n->name);
    return names;
}

} // namespace

int CalGetData::UpdateFriends() {
    ProtectedData& st = root->state;
    st.setUpdatingFriends(true);
    st.setUpdatingProgress(0.0);
    root->redraw();

    root->startNewList(root->friendShows, root->previousFriendShows);
    if (root->friends->size() == 0) {
        st.setUpdatingFriends(false);
        root->redraw();
        return 0;
    }
    if (stopRequested()) return 1;

    const std::vector<FRIENDNAME> names = copyNames(*root->friends);
    const double step = names.empty() ? 100.0 : 100.0 / static_cast<double>(names.size());
    for (const FRIENDNAME& name : names) {
        if (stopRequested()) return 1;
        st.incUpdatingProgress(step);
        root->redraw();

        WebExchange exchange(web);
        char url[kFetchURLCapacity];
        friendShowsRequestURL(url, sizeof url, web.services.webServiceHost, name.name);
        // The shows gathered so far stay listed; the friends after this one are not asked.
        if (exchange.fetch(url) != 0) return stopRequested() ? 1 : 2;
        if (friendReplyRefused(exchange.page())) continue;
        if (stopRequested()) return 1;
        SHOWLIST* shows = root->friendShows;
        SHOWLIST* older = root->previousFriendShows;
        readFriendShows(exchange.page(), name.name,
                        [&](std::unique_ptr<SHOWENTRY> show) { shows->addShow(show.release(), older); });
    }
    if (stopRequested()) return 1;
    st.setUpdatingFriends(false);
    root->redraw();
    return 0;
}
