#include "plugin/library/database_scan.h"

#include "common/read_only_database.h"
#include "plugin/model/protected_data.h"

#include <algorithm>
#include <unordered_set>

namespace vx {

namespace {

// The columns a player's table may have, by meaning. Later versions add columns and older ones
// may lack some: only the artist is needed, the rest is read where it exists.
struct TableLayout {
    const char* table;
    const char* artist;
    const char* albumArtist;
    const char* album;
    const char* plays;
    const char* artistId;
    const char* albumArtistId;
    const char* unavailable;
};

constexpr TableLayout kSongs{"songs",
                             "artist",
                             "albumartist",
                             "album",
                             "playcount",
                             "musicbrainz_artist_id",
                             "musicbrainz_album_artist_id",
                             "unavailable"};
constexpr TableLayout kItems{"items", "artist",      "albumartist",      "album",
                             nullptr, "mb_artistid", "mb_albumartistid", nullptr};

// The column as a select expression, or `fallback` when the table has no such column.
std::string columnOr(const std::unordered_set<std::string>& columns, const char* name, const char* fallback) {
    if (!name || !columns.count(name)) return fallback;
    return std::string("\"") + name + "\"";
}

DatabaseTable tableOf(ReadOnlyDatabase& database) {
    if (database.hasTable("songs")) return DatabaseTable::songs;
    if (database.hasTable("items")) return DatabaseTable::items;
    return DatabaseTable::none;
}

} // namespace

DatabaseTable databaseTableOf(const char* path) {
    ReadOnlyDatabase database;
    if (!path || !database.open(path, nullptr)) return DatabaseTable::none;
    return tableOf(database);
}

bool DatabaseScan::readFile(const char* path, ProtectedData& state, std::string* problem) {
    ReadOnlyDatabase database;
    if (!database.open(path, problem)) return false;
    database.stopWhen([&state] { return state.getShutingDown(); });
    const DatabaseTable table = tableOf(database);
    if (table == DatabaseTable::none) {
        if (problem) *problem = "no table of songs in it";
        return false;
    }
    const TableLayout& layout = table == DatabaseTable::songs ? kSongs : kItems;
    const std::unordered_set<std::string> columns = database.columnsOf(layout.table);
    if (!columns.count(layout.artist)) {
        if (problem) *problem = std::string("its ") + layout.table + " table has no artist";
        return false;
    }
    std::string sql = "SELECT " + columnOr(columns, layout.artist, "''") + ", " +
                      columnOr(columns, layout.albumArtist, "''") + ", " +
                      columnOr(columns, layout.album, "''") + ", " + columnOr(columns, layout.plays, "0") +
                      ", " + columnOr(columns, layout.artistId, "''") + ", " +
                      columnOr(columns, layout.albumArtistId, "''") + " FROM \"" + layout.table + "\"";
    // Songs whose files have gone are still listed by the player, marked as such.
    if (layout.unavailable && columns.count(layout.unavailable))
        sql += std::string(" WHERE coalesce(\"") + layout.unavailable + "\", 0) = 0";

    DatabaseQuery rows(database, sql);
    while (rows.next()) {
        // The album's own artist names the band when it is set, as in the player's own lists.
        const bool byAlbumArtist = !rows.text(1).empty();
        const long long played = rows.number(3);
        found.add(rows.text(byAlbumArtist ? 1 : 0), rows.text(2),
                  played > 0 ? static_cast<std::uint64_t>(played) : 0, rows.text(byAlbumArtist ? 5 : 4));
    }
    if (rows.failed()) {
        if (problem) *problem = database.lastProblem();
        return false;
    }
    return true;
}

} // namespace vx
