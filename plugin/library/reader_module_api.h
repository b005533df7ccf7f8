#pragma once
// What the library reader and its reader modules pass each other. Plain C types only: each side
// may carry a C++ runtime of its own.
#include <cstddef>
#include <cstdint>

extern "C" {

struct VxText {
    const char* data;
    std::size_t size;
};

// The fields of a song, from a player's database row or an audio file's tags.
enum VxSongField { vxArtist, vxAlbumArtist, vxAlbum, vxArtistId, vxAlbumArtistId, vxSongFieldCount };

// Where a module hands what it reads; every call comes back before the module's entry returns.
struct VxSongSink {
    void* context;
    // Nonzero once the reading should end early.
    int (*stopped)(void* context);
    // One song: vxSongFieldCount fields and its play count.
    void (*song)(void* context, const VxText* fields, std::uint64_t plays);
    // Why the reading failed, in a few words for the status line.
    void (*problem)(void* context, VxText text);
};

// vx_database_table(path): 0 when the database holds neither table or cannot be read, 1 for a
// songs table, 2 for an items table.
using VxDatabaseTableEntry = int (*)(const char* path);
// vx_database_read(path, sink): 1 when the whole table was read, 0 after a problem.
using VxDatabaseReadEntry = int (*)(const char* path, const VxSongSink* sink);
// vx_read_song_tags(path, sink): 1 with one song given to the sink, 0 when the file has no tags
// that can be read.
using VxSongTagsEntry = int (*)(const char* path, const VxSongSink* sink);
}

// The modules' file names and entries.
inline constexpr const char* kDatabaseReaderModule = "vx_database_reader.so";
inline constexpr const char* kSongTagsModule = "vx_tag_reader.so";
