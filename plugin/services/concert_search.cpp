#include "plugin/services/concert_search.h"

#include "plugin/matching/concert_matching.h"
#include "plugin/net/web_exchange.h"
#include "plugin/net/web_fetch.h"

#include <cstdio>
#include <string>

namespace {

// Of what a search request carries, only the radius can be refused (an unknown place is answered
// with no sources), so a refusal is reported as the radius's rather than as a lost connection.
// A trip's search, running beside home's, leaves the screen's message to home's.
int requestFailed(const WebExchange& web, ProtectedData& st, int radius, const Trip* within) {
    if (web.refused() && !within) {
        char text[256];
        std::snprintf(text, sizeof text, "The search radius of %d miles\nwas refused by the service.",
                      radius);
        st.setRefreshProblem(text);
    }
    return -1;
}

} // namespace

int parseURL_generic(WebSession& engine, XML_Artist_List& artists, ConcertSearchAnswers* answers) {
    ProtectedData& st = engine.root->state;
    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    return searchConcertsAt(engine, artists, concertSearchPlace(city, region, st.getCurSearchRadius()),
                            *engine.root->concerts, answers, city, region);
}

int searchConcertsAt(WebSession& engine, XML_Artist_List& artists, const ConcertSearchPlace& place,
                     SHOWLIST& into, ConcertSearchAnswers* answers, const char* city, const char* region,
                     const Trip* within) {
    PluginData* root = engine.root;
    ProtectedData& st = root->state;
    // Trips are searched beside home: the bar shows home's search alone.
    const bool showProgress = within == nullptr;
    if (showProgress) {
        st.setUpdatingProgress(0.0);
        root->redraw();
    }

    // A trip's search fetches with pages of its own, beside the other trips' searches.
    const WebExchange::Area area = within ? WebExchange::Area::own : WebExchange::Area::shared;
    std::string directoryReply;
    {
        WebExchange web(engine, area);
        char url[kFetchURLCapacity];
        sourceDirectoryURL(url, sizeof url, engine.services.webServiceHost, place);
        if (web.fetch(url) != 0) return requestFailed(web, st, place.radius, within);
        if (engine.stopRequested()) return -1;
        directoryReply = web.page();
    }

    const SourceDirectory directory = readSourceDirectory(directoryReply);
    std::string page;
    for (const ConcertSource& source : directory.sources) {
        if (showProgress) {
            st.incUpdatingProgress(100.0 / directory.siteCount);
            root->redraw();
        }
        // An entry without a URL names no source to ask.
        if (source.url.empty()) continue;
        char url[kFetchURLCapacity];
        sourceRequestURL(url, sizeof url, source.url.c_str(), place);
        {
            // The page is taken out of the exchange area, so that another place's search may
            // fetch while this one matches.
            WebExchange web(engine, area);
            if (web.fetch(url) != 0) return requestFailed(web, st, place.radius, within);
            if (engine.stopRequested()) return -1;
            page = web.page();
        }
        if (answers)
            answers->sources.push_back(
                {source.name, checkSourceAnswer(page, {source.name, city ? city : "", region ? region : "",
                                                       place.radius})});
        if (readSourcePage(
                page, source.ticketsAvailable, artists, into, root->previousConcerts,
                [&engine] { return engine.stopRequested(); }, within) != 0)
            return -1;
    }

    if (showProgress) {
        st.setUpdatingProgress(100.0);
        root->redraw();
    }
    return 0;
}

int genericParser(WebSession& engine, XML_Artist_List& artists, ConcertSearchAnswers* answers) {
    if (answers) answers->sources.clear();
    if (engine.stopRequested()) return -1;
    if (parseURL_generic(engine, artists, answers) != 0) return -1;
    if (engine.stopRequested()) return -1;
    engine.root->redraw();
    return 0;
}
