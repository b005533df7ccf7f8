#include "plugin/engine/show_changes_step.h"

#include "plugin/engine/change_log.h"
#include "plugin/engine/found_place.h"
#include "plugin/engine/source_counts.h"
#include "plugin/export/change_notice.h"
#include "plugin/model/show_identity.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/region_tables.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// The support folder, from the preferences file's path ("" when it has no folder).
std::string supportFolder(ProtectedData& st) {
    char pref[1024];
    st.getVoxtrailPref(pref);
    const char* slash = std::strrchr(pref, '/');
    return slash ? std::string(pref, static_cast<std::size_t>(slash + 1 - pref)) : std::string();
}

// Whether this refresh's answers may cancel shows; keeps each source's count for the next one
// and adds to notes why a source's count kept shows from being cancelled.
bool mayCancel(ProtectedData& st, const std::string& support, bool samePlace,
               const ConcertSearchAnswers& answers, std::vector<std::string>& notes) {
    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    cleanCity(city);
    stateAbbrev_generic(region);
    const int radius = st.getCurSearchRadius();
    vx::SourceCounts last;
    if (!support.empty()) last = vx::readSourceCounts(support + vx::kSourceCountsFile);
    const bool lastHere = last.city == city && last.region == region && last.radius == radius;
    const bool may = vx::answersMayCancel(answers, lastHere ? last : vx::SourceCounts{}, &notes);
    if (!samePlace) notes.clear(); // another place: nothing could have been cancelled anyway
    for (const ConcertSearchAnswers::Source& s : answers.sources)
        if (samePlace && !s.answer.full)
            std::fprintf(stderr, "Voxtrail: %s did not answer in full (%s); no show is cancelled.\n",
                         s.name.empty() ? "a concert source" : s.name.c_str(), s.answer.problem.c_str());
    const vx::SourceCounts now = vx::countsAfter(last, answers, city, region, radius);
    if (!support.empty() && (now.events != last.events || !lastHere))
        vx::writeSourceCounts(support + vx::kSourceCountsFile, now);
    return may;
}

} // namespace

std::size_t trackConcertChanges(PluginData& root, bool samePlace, const ConcertSearchAnswers& answers,
                                const char* webServiceHost) {
    ProtectedData& st = root.state;
    const std::string support = supportFolder(st);
    std::vector<std::string> notes;
    const bool sourcesAsUsual = mayCancel(st, support, samePlace, answers, notes);
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
    std::vector<std::string> texts;
    for (const ShowChange& c : changes)
        texts.push_back(changeText(c));
    // Why nothing was cancelled goes to the log, not to the notice: there is no change to tell.
    std::vector<std::string> logged = notes;
    logged.insert(logged.end(), texts.begin(), texts.end());
    if (!support.empty()) vx::appendChangeLog(support + "VoxtrailChanges.log", logged, now);
    if (changes.empty()) return 0;
    if (st.getNotifyShowChanges()) notifyShowChanges(&root, texts, webServiceHost);
    root.redraw();
    return changes.size();
}
