#pragma once
// Reads the artist names out of a music library file, for the catalogue.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

// The distinct artist texts of the library's tracks (podcasts left out), in the
// order first met, with XML character references decoded. False when the file
// does not open. With albums, also each artist's distinct album titles, in the order first met.
bool readLibraryArtists(const std::string& path, std::vector<std::string>* artists, std::string* error,
                        std::map<std::string, std::vector<std::string>>* albums = nullptr);

// Decodes the five named XML entities and numeric character references; an
// unknown or broken reference stays as written.
std::string decodeXmlText(std::string_view text);

// How a concert listing prints an artist that the library files as "Surname,
// Forename": forename first. Any other name is printed as filed.
std::string listingName(const std::string& libraryName);

} // namespace vxs
