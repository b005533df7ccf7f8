#pragma once
// Bytes of the plug-in's texts as characters to draw.
#include <QString>

#include <cstddef>

namespace vx {

// Texts from the library and the web are mostly UTF-8; the drawing code asks for MacRoman.
// Every well-formed UTF-8 sequence is taken as UTF-8 and every other byte as MacRoman, so
// any bytes give a string (a name cut inside a sequence shows one odd character).
QString decodeDrawnText(const char* bytes, std::size_t length);

} // namespace vx
