// The preferences file: every setting and the current lists, so the calendar can be drawn before
// the first refresh ends. Written whole after refreshes and changes, read once at start-up.
#include "plugin/prefsfile/preferences_file.h"

#include "common/fixed_text.h"
#include "common/regular_file.h"
#include "plugin/library/line_source.h"
#include "plugin/model/plugin_data.h"
#include "plugin/prefsfile/preference_fields.h"
#include "plugin/prefsfile/preference_shows.h"
#include "plugin/prefsfile/private_file.h"
#include "plugin/prefsfile/trip_rules.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <string>

namespace vx {

const char* const kDefaultFormatFilters[6] = {
    "Import",          "Extra tracks", "Original recording remastered",
    "Limited Edition", "Soundtrack",   "Non-Active Artist"};

int32_t firstRefreshTime(std::time_t now, unsigned seed) {
    std::mt19937 generator(seed);
    generator.discard(1);
    // Fractions below one from 31-bit draws.
    auto fraction = [&] { return static_cast<double>(generator() >> 1) / 2147483648.0; };
    const int32_t days = 1 + static_cast<int32_t>(7 * fraction());
    const int32_t hours = static_cast<int32_t>(25 * fraction());
    const int32_t minutes = static_cast<int32_t>(60 * fraction());
    const int32_t seconds = static_cast<int32_t>(60 * fraction());
    return static_cast<int32_t>(now) + days * 86400 + hours * 3600 + minutes * 60 + seconds;
}

} // namespace vx

namespace {

constexpr std::size_t kLongestName = 63;
// Bounds on what one file can make the reader add, far beyond any real file: each add looks
// through its list, so a damaged file of millions of names or shows would take hours.
constexpr std::size_t kMostNames = 1000;
constexpr std::size_t kMostShows = 10000;

// Writers copy what they save in turn (under the render lock) but compose and write outside it; a
// copy older than the last one written is not written.
std::mutex gWriteLock;
uint64_t gLastWritten = 0;
std::atomic<uint64_t> gCompositions{0};
// How much the last copy of the lists held: the next is given room for a little more before it
// takes the locks. A torn read only misjudges that room.
std::atomic<std::size_t> gCopiedShows{0}, gCopiedLabels{0}, gCopiedTextBytes{0};

std::string textOrDash(const char* text) {
    return text[0] ? vx::fieldValue(text) : std::string("-");
}

void appendSwitch(std::string& text, bool on, bool last) {
    text += on ? '1' : '0';
    text += last ? "\n" : "@@";
}

void copyShows(vx::SavedShows& shows, SHOWLIST* list, vx::ShowKind kind) {
    if (!list) return;
    std::lock_guard<ListMutex> hold(list->mutex);
    for (SHOWENTRY* e = list->head; e; e = e->next) {
        // The copy mostly waits for memory: the next record's texts are fetched meanwhile.
        if (e->next) vx::SavedShows::prefetch(*e->next);
        shows.add(*e, kind);
    }
}

// What a save writes, as it was at one moment: the settings' lines composed, the show lists
// copied to be composed later.
struct PreferencesCopy {
    std::string settings;
    vx::SavedShows shows;
};

// The settings and the friends' names: few, so composed at once.
std::string composeSettings(PluginData* root, int32_t nextUpdateTime) {
    ProtectedData& st = root->state;
    char text[1024];
    std::string out;

    st.getiTunes_xml_path(text);
    out += vx::oneLine(text) + "\n";
    out += std::to_string(nextUpdateTime) + "\n";
    out += std::to_string(st.getLastSearch_y()) + "@@" + std::to_string(st.getLastSearch_m()) + "@@" +
           std::to_string(st.getLastSearch_d()) + "\n";

    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    out += vx::fieldValue(city) + "@@" + vx::fieldValue(region) + "@@" +
           std::to_string(st.getCurSearchRadius()) + "@@" + vx::realText(st.getCurLat()) + "@@" +
           vx::realText(st.getCurLon()) + "\n";

    const bool switches[] = {st.getExportTo_iCal(),
                             st.getExportAllShows(),
                             st.getExportTo_Outlook(),
                             st.getExportTo_Google(),
                             st.getVoxtrail_version_update(),
                             st.getSharing(),
                             st.getShareAllShows(),
                             st.getNotifyConcerts(),
                             st.getNotifyAlbums(),
                             st.getNotificationWindowStyle(),
                             st.getiPhoneSync()};
    for (std::size_t i = 0; i < std::size(switches); ++i)
        appendSwitch(out, switches[i], false);
    // Later settings follow the eleven switches, where older versions read past the last number.
    appendSwitch(out, st.getNotifyShowChanges(), false);
    out += std::to_string(st.getMostPlayedPlays()) + "\n";

    st.getiCalLoc(text);
    out += vx::oneLine(text) + "\n";

    char user[64], first[256], last[256];
    st.getUsername(user);
    st.getFirstname(first);
    st.getLastname(last);
    out += textOrDash(user) + "@@" + textOrDash(first) + "@@" + textOrDash(last) + "@@\n";

    if (FRIENDLIST* friends = root->friends) {
        std::lock_guard<ListMutex> hold(friends->mutex);
        for (FRIENDNAME* n = friends->head; n; n = n->next)
            out += vx::fieldValue(n->name) + "@@";
    }
    out += "\n";

    char filters[512];
    st.getFilterString(filters);
    out += vx::oneLine(filters) + "\n";
    out += vx::tripsLine(root->trips.get());
    return out;
}

// Called under the render lock.
void copyPreferences(PreferencesCopy& copy, PluginData* root, int32_t nextUpdateTime) {
    copy.settings = composeSettings(root, nextUpdateTime);
    copyShows(copy.shows, root->concerts, vx::kConcertLine);
    copyShows(copy.shows, root->friendShows, vx::kFriendShowLine);
    copyShows(copy.shows, root->albumReleases, vx::kAlbumReleaseLine);
}

} // namespace

bool vx::preferencesSaveRefused(ProtectedData& st) {
    // A refresh being stopped or the plug-in closing: the lists may be half filled.
    return st.getForceUpdate() || st.getShutingDown() || st.getRestartingSearch();
}

vx::ComposedPreferences vx::composePreferences(PluginData* root, std::atomic<int32_t>& nextUpdateTime) {
    ProtectedData& st = root->state;
    const std::time_t now = std::time(nullptr);

    int32_t unscheduled = 0;
    nextUpdateTime.compare_exchange_strong(unscheduled,
                                           vx::firstRefreshTime(now, static_cast<unsigned>(now)));

    char text[1024];
    st.getCurCity(text);
    if (!text[0]) st.setCurCity("-");
    st.getCurState(text);
    if (!text[0]) st.setCurState("-");
    st.getiCalLoc(text);
    if (!text[0]) st.setiCalLoc("-");

    PreferencesCopy copy;
    auto withRoom = [](const std::atomic<std::size_t>& last) { return last + last / 8 + 64; };
    copy.shows.prepare({withRoom(gCopiedShows), withRoom(gCopiedLabels), withRoom(gCopiedTextBytes)});
    ComposedPreferences composed;
    {
        // The render lock keeps the show lists in their slots while they are copied.
        std::lock_guard<std::recursive_mutex> frame(PluginData::renderLock);
        copyPreferences(copy, root, nextUpdateTime.load());
        composed.composition = ++gCompositions;
    }
    const vx::SavedShows::Size copied = copy.shows.size();
    gCopiedShows = copied.shows;
    gCopiedLabels = copied.labels;
    gCopiedTextBytes = copied.textBytes;
    // Composed with no lock held: frames go on meanwhile.
    composed.contents = std::move(copy.settings);
    copy.shows.appendLines(composed.contents);
    composed.refused = preferencesSaveRefused(st);
    return composed;
}

void vx::writePreferences(PluginData* root, const ComposedPreferences& composed) {
    if (composed.refused) return;
    char path[1024];
    root->state.getVoxtrailPref(path);
    std::lock_guard<std::mutex> writing(gWriteLock);
    if (composed.composition < gLastWritten) return; // a later composition is already written
    std::string why;
    if (!vx::writePrivateFile(path, composed.contents, &why)) {
        std::fprintf(stderr, "Voxtrail: the preferences were not saved, the previous file is kept (%s)\n",
                     why.c_str());
        return;
    }
    gLastWritten = composed.composition;
}

bool vx::savePreferences(PluginData* root, std::atomic<int32_t>& nextUpdateTime) {
    const ComposedPreferences composed = composePreferences(root, nextUpdateTime);
    writePreferences(root, composed);
    return !composed.refused;
}

namespace {

// Reads the lines of an existing preferences file into the state and the lists. Whatever a
// line does not give keeps its default; valid stays true only when every line could be used.
class PreferencesReader {
  public:
    PreferencesReader(PluginData* root, vx::RefreshSchedule schedule)
        : schedule_(schedule), root(root), st(root->state) {}

    void line(std::size_t number, std::string_view text);
    // After the last line: a file whose place did not read has it located again, and what it
    // did not give takes a fresh install's value.
    void finish();
    bool valid = true;
    bool tripsDamaged = false;

  private:
    void libraryPath(std::string_view text);
    void exportLocation(std::string_view text);
    // A text of the file, or false (and the file not valid) when it holds damage.
    bool readable(std::string_view text);
    void schedule(std::string_view text);
    void lastSave(std::string_view text);
    void place(std::string_view text);
    void switches(std::string_view text);
    void account(std::string_view text);
    template <typename Add> void names(std::string_view text, Add add);
    void formatFilters(std::string_view text);
    void show(std::string_view text);

    vx::RefreshSchedule schedule_;
    PluginData* root;
    ProtectedData& st;
    bool placeRead = false;
    bool radiusRead = false;
    bool filtersRead = false;
    std::size_t shows[3] = {0, 0, 0};
    // The concert the last show line linked, which a place line that follows belongs to.
    SHOWENTRY* lastConcert = nullptr;
};

void PreferencesReader::line(std::size_t number, std::string_view text) {
    switch (number) {
    case 1:
        libraryPath(text);
        break;
    case 2:
        schedule(text);
        break;
    case 3:
        lastSave(text);
        break;
    case 4:
        place(text);
        break;
    case 5:
        switches(text);
        break;
    case 6:
        exportLocation(text);
        break;
    case 7:
        account(text);
        break;
    case 8:
        names(text, [&](const char* n) { root->friends->add(new FRIENDNAME(n)); });
        break;
    case 9:
        formatFilters(text);
        break;
    default:
        show(text);
        break;
    }
}

bool PreferencesReader::readable(std::string_view text) {
    if (vx::isReadableText(text)) return true;
    valid = false;
    return false;
}

// Paths that do not read keep the ones start-up chose.
void PreferencesReader::libraryPath(std::string_view text) {
    if (readable(text)) st.setiTunes_xml_path(vx::fieldText(text).c_str());
}

void PreferencesReader::exportLocation(std::string_view text) {
    if (st.getOSXVersion() < 10.5f && readable(text)) st.setiCalLoc(vx::fieldText(text).c_str());
}

void PreferencesReader::finish() {
    // Said once, by the engine: the next save writes the trips the user has, none of the damage.
    if (tripsDamaged) valid = false;
    if (!filtersRead)
        for (const char* filter : vx::kDefaultFormatFilters)
            st.addFormatFilter(filter);
    if (!radiusRead) {
        // The list may hold the shows of a radius that is not the one shown: search again.
        schedule_.nextUpdateTime = 1;
    }
    if (placeRead) return;
    // Searching near garbage finds nothing: locate the user again, and now rather than at the
    // next schedule.
    schedule_.useIpLocation = true;
    schedule_.nextUpdateTime = 1;
}

void PreferencesReader::schedule(std::string_view text) {
    int32_t when = 0;
    if (!vx::readDecimal(text, when, false)) {
        when = 1;
        valid = false;
    }
    schedule_.nextUpdateTime = when;
}

void PreferencesReader::lastSave(std::string_view text) {
    const auto pieces = vx::splitFields(text);
    int32_t date[3] = {0, 0, 0};
    std::size_t read = 0;
    while (read < 3 && read < pieces.size() && vx::readDecimal(pieces[read], date[read], read == 2))
        ++read;
    if (read < 3 || !vx::isCalendarDate(date[0], date[1], date[2])) {
        // Without a whole date the last save counts as long ago.
        date[0] = date[1] = date[2] = 1;
        valid = false;
    }
    st.setLastSearch_y(date[0]);
    st.setLastSearch_m(date[1]);
    st.setLastSearch_d(date[2]);
}

void PreferencesReader::place(std::string_view text) {
    const auto pieces = vx::splitFields(text);
    // Only a line of the five fields names a place: a city holding "@@" or a line of
    // garbage shifts them.
    const bool whole = pieces.size() == 5;
    if (!whole) valid = false;
    auto textOf = [](std::string_view field) { return field == "-" ? std::string() : vx::fieldText(field); };
    if (whole && readable(pieces[0]) && readable(pieces[1])) {
        const std::string city = textOf(pieces[0]);
        const std::string region = textOf(pieces[1]);
        st.setCurCity(city.c_str());
        st.setCurCityDisplay(city.c_str());
        st.setCurState(region.c_str());
        st.setCurStateDisplay(region.c_str());
        // A save made before any place was found (the version check's, or one of a first run
        // cut short) names none: it is located as on a fresh install.
        placeRead = !city.empty() || !region.empty();
    }
    int32_t radius = 0;
    if (pieces.size() > 2 && vx::readDecimal(pieces[2], radius) && radius > 0 &&
        radius <= ProtectedData::kLargestSearchRadius) {
        st.setCurSearchRadiusDisplay(std::to_string(radius).c_str());
        st.setCurSearchRadius(radius);
        radiusRead = true;
    } else {
        valid = false;
    }
    double degrees = 0.0;
    if (whole && vx::readReal(pieces[3], degrees) && degrees >= -90.0 && degrees <= 90.0)
        st.setCurLat(degrees);
    else
        valid = false;
    if (whole && vx::readReal(pieces[4], degrees) && degrees >= -180.0 && degrees <= 180.0)
        st.setCurLon(degrees);
    else
        valid = false;
}

void PreferencesReader::switches(std::string_view text) {
    const auto pieces = vx::splitFields(text);
    bool on[11] = {};
    std::size_t read = 0;
    for (; read < 11 && read < pieces.size(); ++read) {
        int32_t n = 0;
        // Like "%d@@...": the last number may be followed by anything.
        if (!vx::readDecimal(pieces[read], n, read < 10)) break;
        on[read] = n != 0;
    }
    if (read < 11) {
        // Switches that do not read keep a fresh install's values, which start-up has set.
        valid = false;
        return;
    }
    st.setExportTo_iCal(on[0]);
    st.setExportAllShows(on[1]);
    st.setExportTo_Outlook(on[2]);
    st.setExportTo_Google(on[3]);
    st.setVoxtrail_version_update(on[4]);
    st.setSharing(on[5]);
    st.setShareAllShows(on[6]);
    st.setNotifyConcerts(on[7]);
    st.setNotifyAlbums(on[8]);
    st.setNotificationWindowStyle(on[9]);
    st.setiPhoneSync(on[10]);
    // Files of older versions end the line at the eleventh switch and keep the defaults.
    int32_t n = 0;
    if (pieces.size() > 12 && vx::readDecimal(pieces[11], n)) st.setNotifyShowChanges(n != 0);
    if (pieces.size() > 12 && vx::readDecimal(pieces[12], n) && n > 0) st.setMostPlayedPlays(n);
}

void PreferencesReader::account(std::string_view text) {
    const auto pieces = vx::splitFields(text);
    // Only fields ended by "@@" count.
    const std::size_t fields = pieces.size() - 1;
    if (fields < 3) valid = false;
    auto textOf = [&](std::size_t i) { return pieces[i] == "-" ? std::string() : vx::fieldText(pieces[i]); };
    if (fields > 0 && readable(pieces[0])) st.setUsername(textOf(0).c_str());
    if (fields > 1 && readable(pieces[1])) st.setFirstname(textOf(1).c_str());
    if (fields > 2 && readable(pieces[2])) st.setLastname(textOf(2).c_str());
}

template <typename Add> void PreferencesReader::names(std::string_view text, Add add) {
    const auto pieces = vx::splitFields(text);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        if (pieces[i].size() > kLongestName || i == kMostNames) {
            valid = false;
            return;
        }
        // A damaged name is left out; the names around it still read.
        if (readable(pieces[i])) add(vx::fieldText(pieces[i]).c_str());
    }
}

// A filter line that does not read whole gives way to a fresh install's filters (finish()).
void PreferencesReader::formatFilters(std::string_view text) {
    const auto pieces = vx::splitFields(text);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        if (pieces[i].size() > kLongestName || !vx::isReadableText(pieces[i])) {
            valid = false;
            return;
        }
    if (!pieces.back().empty()) {
        valid = false;
        return;
    }
    names(text, [&](const char* n) { st.addFormatFilter(n); });
    filtersRead = true;
}

void PreferencesReader::show(std::string_view text) {
    if (vx::isTripsLine(text)) {
        if (auto trips = vx::readTripsLine(text, vx::localToday()))
            root->trips.set(std::move(*trips));
        else
            tripsDamaged = true;
        return;
    }
    if (vx::isPlaceLine(text)) {
        if (!lastConcert || !vx::readPlaceLine(text, *lastConcert)) valid = false;
        lastConcert = nullptr;
        return;
    }
    lastConcert = nullptr;
    vx::ParsedShow parsed = vx::parseShowLine(text);
    SHOWLIST* list = nullptr;
    if (parsed.show) {
        switch (parsed.kind) {
        case vx::kConcertLine:
            list = root->concerts;
            break;
        case vx::kFriendShowLine:
            list = root->friendShows;
            break;
        case vx::kAlbumReleaseLine:
            list = root->albumReleases;
            break;
        default:
            break;
        }
    }
    // Chosen concerts kept from other searches may take a full list past its room: they read back.
    const bool keptChoice = list && parsed.kind == vx::kConcertLine && parsed.show->selected;
    if (!list || (++shows[parsed.kind] > kMostShows && !keptChoice)) {
        valid = false;
        return;
    }
    SHOWENTRY* entry = parsed.show.release();
    if (list->addShow(entry, nullptr, keptChoice) && parsed.kind == vx::kConcertLine) lastConcert = entry;
}

} // namespace

vx::PreferencesRead vx::loadPreferences(PluginData* root, RefreshSchedule schedule) {
    ProtectedData& st = root->state;
    char path[1024];
    st.getVoxtrailPref(path);
    PreferencesRead read;
    if (!fileHasFirstLine(path)) {
        read.notRegular = regularFileState(path) == FileOpening::notRegular;
        for (const char* filter : kDefaultFormatFilters)
            st.addFormatFilter(filter);
        return read;
    }
    read.existed = true;
    schedule.useIpLocation = false;
    PreferencesReader reader(root, schedule);
    std::size_t lines = 0;
    // Lines are read with a bound, so a file without line ends costs little memory.
    LineSource file(path);
    std::string_view text;
    while (file.next(text))
        reader.line(++lines, text);
    reader.finish();
    read.tripsDamaged = reader.tripsDamaged;
    st.setValid_preference_file(reader.valid && lines >= 9);
    return read;
}
