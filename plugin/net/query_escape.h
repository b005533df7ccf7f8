#pragma once
// How a text goes into the query of a request the plug-in sends. Every request builds its
// values here, so the service reads back exactly what was sent.
#include <cstddef>
#include <string>
#include <string_view>

// A query value: blanks as "+"; "&", "%", "#", "+", "?" and every byte outside printable ASCII as
// "%XX"; everything else as it is, so plain values go out unchanged. In place, cut before a
// whole character (never inside one or inside an escape) to keep within capacity - 1 bytes.
void escapeQueryValue(char* text, std::size_t capacity);
std::string queryValue(std::string_view text);
// The same appended to out: an export of thousands of links writes each into one reused string.
void appendQueryValue(std::string& out, std::string_view text);

// The service's click-through path for a link: the link travels as one query value, so its own
// query ("?ASIN=..&CITY=..") reaches the service whole instead of splitting the outer query.
std::string clickThroughPath(std::string_view link);

// Copies a finished request into url, cut to capacity - 1 bytes; a cut leaves no half escape.
void copyRequest(char* url, std::size_t capacity, std::string_view request);
