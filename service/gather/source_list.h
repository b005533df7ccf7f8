#pragma once
// The sources file a user writes: one source a line, "KIND URL" with KIND ics, jsonld or
// musicbrainz, optionally followed by " | CITY, REGION" for a source that names no place;
// blank lines and lines starting with '#' say nothing.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

enum class SourceKind { Ics, JsonLd, MusicBrainz };

const char* sourceKindName(SourceKind kind);

struct GatherSource {
    SourceKind kind = SourceKind::Ics;
    std::string url;
    std::string city, region; // the configured place, empty when none
    int line = 0;
};

// The sources of a file's text; nothing, with "line N: why" in *error, at the first line that
// does not read.
std::optional<std::vector<GatherSource>> parseSourceList(std::string_view text, std::string* error);

// The same, from a file.
std::optional<std::vector<GatherSource>> readSourceList(const std::string& path, std::string* error);

} // namespace vxs
