#pragma once
// Which library a file holds, told by its content rather than its name: the user may have
// renamed or copied any kind.
#include <string_view>

namespace vx {

enum class LibraryKind {
    plist,         // the music player's XML library
    rhythmdb,      // Rhythmbox's song database
    songsDatabase, // SQLite with a songs table: Strawberry, Clementine
    itemsDatabase, // SQLite with an items table: beets
    otherDatabase, // SQLite without either table, or not readable as SQLite past its header
    unknown,       // binary bytes that are none of these
};

// The kind of the bytes that start a file. An SQLite file is otherDatabase here: its tables are
// not in its first bytes. Text is the kind whose root element comes first, or a plist, whose
// reader takes what it can from any text.
LibraryKind libraryKindOfStart(std::string_view start);
// The kind of the file at path, from its first few kilobytes and, for SQLite, its tables.
LibraryKind libraryKindOf(const char* path);

bool isDatabaseKind(LibraryKind kind);

} // namespace vx
