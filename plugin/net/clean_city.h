#pragma once
// The canonical form of a typed city name, so that two ways of typing one city compare equal:
// words capitalised after blanks, single blanks between them. In place on a buffer of at least
// 256 bytes; the result is cut to 255 characters.
void cleanCity(char* city);
