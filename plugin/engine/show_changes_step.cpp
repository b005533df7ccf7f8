#include "plugin/engine/show_changes_step.h"

#include "plugin/engine/change_log.h"
#include "plugin/engine/found_place.h"
#include "plugin/export/change_notice.h"
#include "plugin/model/show_identity.h"

#include <cstring>
#include <ctime>

std::size_t trackConcertChanges(PluginData& root, bool samePlace, bool sourcesAsUsual,
                                const char* webServiceHost) {
    ProtectedData& st = root.state;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const int minPlays = st.getMostPlayedPlays();
    const auto mostPlayed =
        root.artistPlays.mostPlayed(kMostPlayedArtists, static_cast<uint64_t>(minPlays > 0 ? minPlays : 1));
    ChangeRules rules;
    rules.samePlace = samePlace;
    rules.sourcesAsUsual = sourcesAsUsual;
    rules.todayYear = today.tm_year + 1900, rules.todayMonth = today.tm_mon + 1,
    rules.todayDay = today.tm_mday;
    rules.mostPlayed = &mostPlayed;
    rules.foundAt = vx::foundAtThisRefresh(root);

    std::vector<ShowChange> changes;
    {
        // The screen draws the list while its shows are marked and the cancelled ones added.
        std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
        if (!root.concerts || !root.previousConcerts) return 0;
        std::lock_guard<ListMutex> current(root.concerts->mutex);
        std::lock_guard<ListMutex> previous(root.previousConcerts->mutex);
        // The shows home's search listed were found there; trips' shows and those kept keep theirs.
        vx::noteFoundPlace(*root.concerts, vx::currentSearchPlace(st), true);
        changes = trackShowChanges(*root.concerts, *root.previousConcerts, rules);
    }
    if (changes.empty()) return 0;
    std::vector<std::string> texts;
    for (const ShowChange& c : changes)
        texts.push_back(changeText(c));

    char pref[1024];
    st.getVoxtrailPref(pref);
    const char* slash = std::strrchr(pref, '/');
    if (slash)
        vx::appendChangeLog(std::string(pref, static_cast<std::size_t>(slash + 1 - pref)) +
                                "VoxtrailChanges.log",
                            texts, now);
    if (st.getNotifyShowChanges()) notifyShowChanges(&root, texts, webServiceHost);
    root.redraw();
    return changes.size();
}
