#pragma once
// The phone's artist list: every artist of the library with a readable name (letter case and
// blanks kept, since the phone shows them), once per normalised name.
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"

#include <string_view>

// Keeps letters of every script, digits and inner blanks; "&" (or "&#38;") becomes "and"; a
// name with none of these (punctuation only) is kept as written, outer blanks dropped. In
// place in a buffer of at least 256 bytes: at most 256 bytes are examined and the result is cut
// to 255, before a whole character.
void iPhoneArtistClean(char* name);

// Fills list from the library file, less the product's own playlist (which does not narrow
// it), plus the include file's names and less the exclude file's, all phone-cleaned; without
// "various" and "various artists". 1 when the library file does not open (the list is then
// empty), 0 otherwise.
int GetFullArtistList(ProtectedData& state, XML_Artist_List& list);

// The walk over one library text's lines, for readers of a library held in memory.
void readPhoneArtists(std::string_view libraryText, XML_Artist_List& list);
