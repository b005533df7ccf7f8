#pragma once
// Comparison keys for names: the forms in which the service decides that two
// spellings of an artist or of a place are the same.
#include <string>
#include <string_view>

namespace vxs {

// The plug-in's artist form (vx::nameKey): letters and digits of every script, case folded,
// accents, articles and "and" dropped ("The Rolling Stones" -> "rollingstones").
std::string artistKey(std::string_view name);

// The artist form of before names of every script kept their letters: ASCII letters and digits
// only ("Sigur Rós" -> "sigurrs", "坂本龍一" -> ""). Only for finding keys made with it.
std::string asciiArtistKey(std::string_view name);

// A place name's key: ASCII letters and UTF-8 Latin-1 capitals lower-cased, digits and other
// non-ASCII bytes kept,
// blanks and punctuation dropped ("St. Louis" -> "stlouis", "Winston-salem" -> "winstonsalem").
std::string placeKey(std::string_view name);

// Upper-case ASCII copy.
std::string upperAscii(std::string_view text);

} // namespace vxs
