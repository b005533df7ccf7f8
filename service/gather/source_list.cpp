#include "service/gather/source_list.h"

#include "service/gather/clean_text.h"
#include "service/regular_file_text.h"

namespace vxs {
namespace {

constexpr std::size_t kMaxListBytes = 4u << 20;
constexpr std::size_t kMaxUrlBytes = 2048;

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::optional<SourceKind> kindOf(std::string_view word) {
    if (word == "ics") return SourceKind::Ics;
    if (word == "jsonld") return SourceKind::JsonLd;
    if (word == "musicbrainz") return SourceKind::MusicBrainz;
    return std::nullopt;
}

bool plainUrl(std::string_view url) {
    if (!url.starts_with("http://") && !url.starts_with("https://")) return false;
    if (url.size() > kMaxUrlBytes || url.find_first_of(" \t") != std::string_view::npos) return false;
    const std::size_t host = url.find("//") + 2;
    return host < url.size() && url[host] != '/';
}

} // namespace

const char* sourceKindName(SourceKind kind) {
    switch (kind) {
    case SourceKind::JsonLd:
        return "jsonld";
    case SourceKind::MusicBrainz:
        return "musicbrainz";
    case SourceKind::Ics:
        break;
    }
    return "ics";
}

std::optional<std::vector<GatherSource>> parseSourceList(std::string_view text, std::string* error) {
    std::vector<GatherSource> sources;
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty() || line.front() == '#') continue;
        auto refuse = [&](const std::string& why) {
            *error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (!validUtf8(line)) return refuse("not UTF-8");
        const std::size_t space = line.find_first_of(" \t");
        const std::optional<SourceKind> kind = kindOf(line.substr(0, space));
        if (!kind) return refuse("the kind must be ics, jsonld or musicbrainz");
        if (space == std::string_view::npos) return refuse("no URL");
        std::string_view rest = trim(line.substr(space));
        GatherSource source;
        source.kind = *kind;
        source.line = number;
        const std::size_t bar = rest.find('|');
        source.url = std::string(trim(rest.substr(0, bar)));
        if (!plainUrl(source.url)) return refuse("the URL must be one http:// or https:// address");
        if (bar != std::string_view::npos) {
            const std::string_view place = trim(rest.substr(bar + 1));
            const std::size_t comma = place.rfind(',');
            if (comma == std::string_view::npos) return refuse("the place must be written CITY, REGION");
            source.city = std::string(trim(place.substr(0, comma)));
            source.region = std::string(trim(place.substr(comma + 1)));
            if (source.city.empty() || source.region.empty())
                return refuse("the place must be written CITY, REGION");
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

std::optional<std::vector<GatherSource>> readSourceList(const std::string& path, std::string* error) {
    std::string text, why;
    if (!readRegularFile(path, kMaxListBytes, &text, &why)) {
        *error = "cannot read the sources file " + path + ": " + why;
        return std::nullopt;
    }
    auto sources = parseSourceList(text, error);
    if (!sources) *error = path + ": " + *error;
    return sources;
}

} // namespace vxs
