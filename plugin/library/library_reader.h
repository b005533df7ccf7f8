#pragma once
// Reads the user's library file into the artist and album lists, then applies the user's include
// and exclude files to the artists.
#include "plugin/library/song_lists.h"
#include "plugin/model/artist_plays.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"

// 0 when the library file was read; 1 when it could not be. An XML library that does not open
// leaves the lists empty; a database that cannot be read whole, or a file of no library kind,
// leaves them as they were and says why in the library notice. plays, when given, gets each
// artist's plays; ids, the MusicBrainz artist ids the library records.
int readLibrary(ProtectedData& state, XML_Artist_List& artists, XML_Album_List& albums,
                ArtistPlays* plays = nullptr, vx::ArtistIds* ids = nullptr);
