// The reader module for music players' SQLite databases: loaded only when a library is one.
#include "common/read_only_database.h"
#include "plugin/library/reader_module_api.h"

#include <sqlite3.h>
#include <string>
#include <unordered_set>

namespace {

using vx::DatabaseQuery;
using vx::ReadOnlyDatabase;

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

// 0 neither table, 1 songs, 2 items.
int tableOf(ReadOnlyDatabase& database) {
    if (database.hasTable("songs")) return 1;
    if (database.hasTable("items")) return 2;
    return 0;
}

VxText textOf(std::string_view text) {
    return {text.data(), text.size()};
}

int fail(const VxSongSink& sink, const std::string& problem) {
    sink.problem(sink.context, textOf(problem));
    return 0;
}

int readTable(const char* path, const VxSongSink& sink) {
    ReadOnlyDatabase database;
    std::string problem;
    if (!database.open(path, &problem)) return fail(sink, problem);
    database.stopWhen([&sink] { return sink.stopped(sink.context) != 0; });
    // The table is read once, front to back: a page is never asked for again, and a cache of a
    // few pages spares the memory (and its page faults) of the usual two megabytes.
    sqlite3_exec(database.handle(), "PRAGMA cache_size = 64", nullptr, nullptr, nullptr);
    const int table = tableOf(database);
    if (table == 0) return fail(sink, "no table of songs in it");
    const TableLayout& layout = table == 1 ? kSongs : kItems;
    const std::unordered_set<std::string> columns = database.columnsOf(layout.table);
    if (!columns.count(layout.artist))
        return fail(sink, std::string("its ") + layout.table + " table has no artist");
    std::string sql =
        "SELECT " + columnOr(columns, layout.artist, "''") + ", " +
        columnOr(columns, layout.albumArtist, "''") + ", " + columnOr(columns, layout.album, "''") + ", " +
        columnOr(columns, layout.artistId, "''") + ", " + columnOr(columns, layout.albumArtistId, "''") +
        ", " + columnOr(columns, layout.plays, "0") + " FROM \"" + layout.table + "\"";
    // Songs whose files have gone are still listed by the player, marked as such.
    if (layout.unavailable && columns.count(layout.unavailable))
        sql += std::string(" WHERE coalesce(\"") + layout.unavailable + "\", 0) = 0";

    DatabaseQuery rows(database, sql);
    VxText fields[vxSongFieldCount];
    while (rows.next()) {
        for (int i = 0; i < vxSongFieldCount; ++i)
            fields[i] = textOf(rows.text(i));
        const long long played = rows.number(vxSongFieldCount);
        sink.song(sink.context, fields, played > 0 ? static_cast<std::uint64_t>(played) : 0);
    }
    if (rows.failed()) return fail(sink, database.lastProblem());
    return 1;
}

} // namespace

// Nothing thrown may cross into the reader, which may run another C++ runtime.
extern "C" __attribute__((visibility("default"))) int vx_database_table(const char* path) {
    try {
        ReadOnlyDatabase database;
        if (!path || !database.open(path, nullptr)) return 0;
        return tableOf(database);
    } catch (...) {
        return 0;
    }
}

extern "C" __attribute__((visibility("default"))) int vx_database_read(const char* path,
                                                                       const VxSongSink* sink) {
    if (!path || !sink) return 0;
    try {
        return readTable(path, *sink);
    } catch (...) {
        sink->problem(sink->context, textOf("out of memory"));
        return 0;
    }
}
