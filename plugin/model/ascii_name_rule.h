#pragma once
// cleanArtist's rule for a name of ASCII bytes, in one table-driven pass over a view: a source
// page names a hundred thousand performers, and most are cleaned only to be found not wanted.
#include <string_view>

// Writes into out (256 bytes) what cleanArtist makes of the first 255 bytes of name (up to a
// NUL) and returns true, or returns false when those bytes hold one beyond ASCII, which only
// cleanArtist cleans.
bool cleanAsciiArtist(std::string_view name, char (&out)[256]);
