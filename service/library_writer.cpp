#include "service/library_writer.h"

#include "service/stable_random.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace vxs {
namespace {

const std::array kTitleWords = {
    "Morning", "Letters",  "River",   "Glass",     "Summer",   "Static",   "Shadow", "Echoes",
    "Highway", "Winter",   "Paper",   "Lights",    "Northern", "Harbor",   "Lonely", "Electric",
    "Gold",    "Hollow",   "Ocean",   "Fire",      "Roses",    "Distance", "Signal", "Canyon",
    "Velvet",  "Midnight", "Thunder", "Satellite", "Garden",   "Ghost",
};

const std::array kGenres = {"Rock",       "Alternative", "Pop",  "Folk",
                            "Electronic", "Country",     "Jazz", "Indie Rock"};

std::string title(StableRandom& rng, int words) {
    std::string t;
    for (int i = 0; i < words; ++i) {
        if (i) t += rng.chance(0.15) ? " & " : " ";
        t += kTitleWords[rng.below(kTitleWords.size())];
    }
    return t;
}

std::string hex16(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(v));
    return buf;
}

// A file URL path segment as the player writes it: unreserved bytes kept, others %XX.
std::string urlSegment(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '\'' || c == '(' || c == ')') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

struct Track {
    int id;
    std::size_t artist;
    std::string name, album, genre;
    int number, year;
};

void writeTrack(std::ostream& out, const Track& t, const Artist& artist, StableRandom& rng) {
    auto line = [&](const char* key, const std::string& type, const std::string& value) {
        out << "\t\t\t<key>" << key << "</key><" << type << ">" << value << "</" << type << ">\n";
    };
    out << "\t\t<key>" << t.id << "</key>\n\t\t<dict>\n";
    line("Track ID", "integer", std::to_string(t.id));
    line("Name", "string", libraryEscape(t.name));
    line("Artist", "string", libraryEscape(artist.libraryName));
    line("Album", "string", libraryEscape(t.album));
    line("Genre", "string", libraryEscape(t.genre));
    line("Kind", "string", "MPEG audio file");
    line("Size", "integer", std::to_string(2000000 + rng.below(8000000)));
    line("Total Time", "integer", std::to_string(120000 + rng.below(240000)));
    line("Track Number", "integer", std::to_string(t.number));
    line("Year", "integer", std::to_string(t.year));
    line("Date Added", "date", "2010-04-24T13:22:02Z");
    line("Bit Rate", "integer", "256");
    line("Sample Rate", "integer", "44100");
    line("Persistent ID", "string", hex16(rng.next()));
    line("Track Type", "string", "File");
    char number[8];
    std::snprintf(number, sizeof number, "%02d", t.number);
    line("Location", "string",
         libraryEscape("file://localhost/Users/demo/Music/iTunes/iTunes%20Music/" +
                       urlSegment(artist.libraryName) + "/" + urlSegment(t.album) + "/" + number +
                       urlSegment(" " + t.name) + ".mp3"));
    out << "\t\t</dict>\n";
}

void writePlaylist(std::ostream& out, const std::string& name, int id, std::uint64_t persistent, bool master,
                   const std::vector<Track>& tracks, int count) {
    out << "\t\t<dict>\n";
    out << "\t\t\t<key>Name</key><string>" << libraryEscape(name) << "</string>\n";
    if (master) out << "\t\t\t<key>Master</key><true/>\n";
    out << "\t\t\t<key>Playlist ID</key><integer>" << id << "</integer>\n";
    out << "\t\t\t<key>Playlist Persistent ID</key><string>" << hex16(persistent) << "</string>\n";
    if (master)
        out << "\t\t\t<key>Visible</key><false/>\n\t\t\t<key>All Items</key><true/>\n";
    else
        out << "\t\t\t<key>All Items</key><true/>\n";
    if (count > 0) {
        out << "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n";
        for (int i = 0; i < count && i < static_cast<int>(tracks.size()); ++i)
            out << "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>" << tracks[i].id
                << "</integer>\n\t\t\t\t</dict>\n";
        out << "\t\t\t</array>\n";
    }
    out << "\t\t</dict>\n";
}

} // namespace

std::string libraryEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&#38;";
        else if (c == '<')
            out += "&#60;";
        else if (c == '>')
            out += "&#62;";
        else
            out += c;
    }
    return out;
}

LibrarySummary writeLibrary(const Catalogue& catalogue, const LibraryPlan& plan, std::ostream& out) {
    LibrarySummary summary;
    StableRandom rng(mixHash(0x11B7A2E5ULL, plan.seed));
    const std::size_t pool = catalogue.builtInCount() ? catalogue.builtInCount() : catalogue.size();
    const int tracks = std::max(0, plan.tracks);
    std::size_t wanted = plan.artists > 0 ? static_cast<std::size_t>(plan.artists)
                                          : static_cast<std::size_t>(std::max(1, tracks / 5));
    wanted = std::min({wanted, pool, static_cast<std::size_t>(std::max(1, tracks))});

    // A seeded shuffle of the catalogue picks the artists.
    std::vector<std::size_t> order(pool);
    for (std::size_t i = 0; i < pool; ++i)
        order[i] = i;
    for (std::size_t i = pool; i > 1; --i)
        std::swap(order[i - 1], order[rng.below(i)]);
    order.resize(wanted);

    std::vector<std::vector<std::string>> albums(wanted);
    for (auto& list : albums) {
        int count = 1 + static_cast<int>(rng.below(3));
        for (int i = 0; i < count; ++i)
            list.push_back(title(rng, 1 + static_cast<int>(rng.below(3))));
    }

    std::vector<Track> list;
    std::vector<int> numbers(wanted, 0);
    for (int i = 0; i < tracks; ++i) {
        // Every chosen artist gets a track before any gets a second.
        std::size_t a = i < static_cast<int>(wanted) ? static_cast<std::size_t>(i) : rng.below(wanted);
        Track t;
        t.id = 1000 + i * 7;
        t.artist = order[a];
        t.name = title(rng, 1 + static_cast<int>(rng.below(4)));
        t.album = albums[a][rng.below(albums[a].size())];
        t.genre = kGenres[rng.below(kGenres.size())];
        t.number = ++numbers[a];
        t.year = 1990 + static_cast<int>(rng.below(20));
        list.push_back(std::move(t));
        if (i < static_cast<int>(wanted)) summary.artists.push_back(catalogue.artists()[order[a]].name);
    }

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Major Version</key><integer>1</integer>\n"
           "\t<key>Minor Version</key><integer>1</integer>\n"
        << "\t<key>Application Version</key><string>" << libraryEscape(plan.appVersion) << "</string>\n"
        << "\t<key>Features</key><integer>5</integer>\n"
           "\t<key>Music "
           "Folder</key><string>file://localhost/Users/demo/Music/iTunes/iTunes%20Music/</string>\n"
        << "\t<key>Library Persistent ID</key><string>" << hex16(rng.next()) << "</string>\n"
        << "\t<key>Tracks</key>\n\t<dict>\n";
    for (const Track& t : list)
        writeTrack(out, t, catalogue.artists()[t.artist], rng);
    out << "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n";
    int playlistId = 1000 + tracks * 7 + 10;
    writePlaylist(out, "Library", playlistId++, rng.next(), true, list, tracks);
    if (plan.voxtrailPlaylist > 0)
        writePlaylist(out, "Voxtrail", playlistId++, rng.next(), false, list, plan.voxtrailPlaylist);
    out << "\t</array>\n</dict>\n</plist>\n";
    summary.tracks = tracks;
    return summary;
}

} // namespace vxs
