#pragma once
// An SQLite file made from SQL text, as a music player would have left it.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline void makeDatabase(const std::string& path, const std::string& sql) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), error ? error : sqlite3_errmsg(db));
        std::abort();
    }
    sqlite3_close(db);
}

// Strawberry's songs table, cut to the columns read and a few others.
inline const std::string kStrawberrySongs =
    "CREATE TABLE songs (title TEXT, album TEXT, artist TEXT, albumartist TEXT, year INTEGER, "
    "playcount INTEGER NOT NULL DEFAULT 0, unavailable INTEGER DEFAULT 0, musicbrainz_artist_id TEXT, "
    "musicbrainz_album_artist_id TEXT, url TEXT);";
