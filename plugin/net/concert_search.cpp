#include "plugin/net/concert_search.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/concert_search_page.h"
#include "plugin/net/region_tables.h"
#include "plugin/net/web_exchange.h"
#include "plugin/net/web_fetch.h"

#include <cstdio>
#include <string>

namespace {

// Of what a search request carries, only the radius can be refused (an unknown place is answered
// with no sources), so a refusal is reported as the radius's rather than as a lost connection.
int requestFailed(const WebExchange& web, ProtectedData& st, int radius) {
    if (web.refused()) {
        char text[256];
        std::snprintf(text, sizeof text, "The search radius of %d miles\nwas refused by the service.",
                      radius);
        st.setRefreshProblem(text);
    }
    return -1;
}

} // namespace

ConcertSearchPlace concertSearchPlace(const char* city, const char* region, int radius) {
    ConcertSearchPlace place;
    vx::copyText(place.city, city);
    cleanCity(place.city);
    escapeQueryValue(place.city, sizeof place.city);
    vx::copyText(place.region, region);
    // An unknown region goes out as the function left it: lower case, letters and digits.
    stateAbbrev_generic(place.region);
    escapeQueryValue(place.region, sizeof place.region);
    place.radius = radius;
    return place;
}

void sourceDirectoryURL(char* url, std::size_t capacity, const char* serviceHost,
                        const ConcertSearchPlace& place) {
    char query[1024];
    std::snprintf(query, sizeof query,
                  "/datasources/datasources.php?TODO=GETSITES&CITY=%s&STATE=%s&RADIUS=%d&VERSION=%d.%d",
                  place.city, place.region, place.radius, kProgramMajorVersion, kProgramMinorVersion);
    webServiceURL(url, capacity, serviceHost, query);
}

void sourceRequestURL(char* url, std::size_t capacity, const char* sourceURL,
                      const ConcertSearchPlace& place) {
    std::snprintf(url, capacity, "%s&city=%s&state=%s&radius=%d", sourceURL, place.city, place.region,
                  place.radius);
}

int parseURL_generic(WebSession& engine, XML_Artist_List& artists, ConcertSearchAnswers* answers) {
    ProtectedData& st = engine.root->state;
    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    return searchConcertsAt(engine, artists, concertSearchPlace(city, region, st.getCurSearchRadius()),
                            *engine.root->concerts, answers, city, region);
}

int searchConcertsAt(WebSession& engine, XML_Artist_List& artists, const ConcertSearchPlace& place,
                     SHOWLIST& into, ConcertSearchAnswers* answers, const char* city, const char* region) {
    PluginData* root = engine.root;
    ProtectedData& st = root->state;
    st.setUpdatingProgress(0.0);
    root->redraw();

    std::string directoryReply;
    {
        WebExchange web(engine);
        char url[kFetchURLCapacity];
        sourceDirectoryURL(url, sizeof url, engine.services.webServiceHost, place);
        if (web.fetch(url) != 0) return requestFailed(web, st, place.radius);
        if (engine.stopRequested()) return -1;
        directoryReply = web.page();
    }

    const SourceDirectory directory = readSourceDirectory(directoryReply);
    for (const ConcertSource& source : directory.sources) {
        st.incUpdatingProgress(100.0 / directory.siteCount);
        root->redraw();
        // An entry without a URL names no source to ask.
        if (source.url.empty()) continue;
        char url[kFetchURLCapacity];
        sourceRequestURL(url, sizeof url, source.url.c_str(), place);
        WebExchange web(engine);
        if (web.fetch(url) != 0) return requestFailed(web, st, place.radius);
        if (engine.stopRequested()) return -1;
        if (answers)
            answers->sources.push_back(
                {source.name, checkSourceAnswer(web.page(), {source.name, city ? city : "",
                                                             region ? region : "", place.radius})});
        // The page is read while the web lock is held, so it is used in place.
        if (readSourcePage(web.page(), source.ticketsAvailable, artists, into, root->previousConcerts,
                           [&engine] { return engine.stopRequested(); }) != 0)
            return -1;
    }

    st.setUpdatingProgress(100.0);
    root->redraw();
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
