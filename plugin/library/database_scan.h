#pragma once
// The SQLite libraries of Linux music players: a songs table (Strawberry, Clementine) or an
// items table (beets), read row by row without ever writing or holding the player's database.
#include "plugin/library/song_lists.h"

#include <string>

class ProtectedData;

namespace vx {

enum class DatabaseTable { none, songs, items };

// Which of the two tables the database at path holds (songs first); none when it holds neither
// or cannot be read.
DatabaseTable databaseTableOf(const char* path);

class DatabaseScan {
  public:
    // The whole table; a shutdown stops the reading. False with *problem (a few words for the
    // status line) when the database could not be read to its end: its songs are then not whole.
    bool readFile(const char* path, ProtectedData& state, std::string* problem);
    const SongLists& songs() const { return found; }

  private:
    SongLists found;
};

} // namespace vx
