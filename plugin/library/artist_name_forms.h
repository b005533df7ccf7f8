#pragma once
// How library names are turned into list entries: a name is cut to 255 characters and passed
// through cleanArtist; a name written with its leading word moved behind a comma
// ("Beatles, The") stands for both word orders.
#include <string>
#include <string_view>

namespace vx {

// The name as the library lists hold it.
std::string normalisedName(std::string_view text);

struct ArtistNameForms {
    std::string first;  // with two forms: the part after the comma put in front
    std::string second; // with two forms: the text in its written order
    bool two = false;
};

// One form, or two when the text's first comma is neither its first nor its last character.
ArtistNameForms artistNameForms(std::string_view text);

} // namespace vx
