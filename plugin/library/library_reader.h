#pragma once
// Reads the user's library file into the artist and album lists, then applies the user's include
// and exclude files to the artists.
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"

// 0 when the library file was read; 1 when it could not be opened (the lists are then empty).
int readLibrary(ProtectedData& state, XML_Artist_List& artists, XML_Album_List& albums);
