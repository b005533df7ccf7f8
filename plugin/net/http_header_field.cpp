#include "plugin/net/http_header_field.h"

#include <cctype>
#include <vector>

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "." and ".." segments of an absolute path taken out, as a browser does before asking.
std::string withoutDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    bool endsInFolder = false;
    std::size_t from = 1;
    for (;;) {
        const std::size_t slash = path.find('/', from);
        const std::string_view segment =
            path.substr(from, slash == std::string_view::npos ? slash : slash - from);
        const bool last = slash == std::string_view::npos;
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.empty()) kept.pop_back();
            endsInFolder = last;
        } else {
            kept.push_back(segment);
        }
        if (last) break;
        from = slash + 1;
    }
    std::string out;
    for (std::string_view segment : kept)
        out.append("/").append(segment);
    if (out.empty() || endsInFolder) out += '/';
    return out;
}

// A path with its query: the dot segments go from the path alone.
std::string normalisedTarget(std::string_view target) {
    const std::size_t query = target.find('?');
    std::string out = withoutDotSegments(target.substr(0, query));
    if (query != std::string_view::npos) out.append(target.substr(query));
    return out;
}

// The length of "scheme:" at the start of text (letters, digits, "+-." after a letter), or 0.
std::size_t schemeLength(std::string_view text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    std::size_t i = 1;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '+' ||
                               text[i] == '-' || text[i] == '.'))
        ++i;
    return i < text.size() && text[i] == ':' ? i + 1 : 0;
}

} // namespace

std::optional<std::string_view> httpHeaderField(std::string_view header, std::string_view name) {
    std::size_t start = header.find('\n');
    while (start != std::string_view::npos) {
        ++start;
        const std::size_t end = header.find('\n', start);
        const std::string_view line = header.substr(start, end == std::string_view::npos ? end : end - start);
        if (line.size() > name.size() && line[name.size()] == ':' &&
            sameLetters(line.substr(0, name.size()), name))
            return trimmed(line.substr(name.size() + 1));
        start = end;
    }
    return std::nullopt;
}

bool httpIsChunked(std::string_view transferEncoding) {
    const std::size_t comma = transferEncoding.rfind(',');
    const std::string_view last =
        trimmed(comma == std::string_view::npos ? transferEncoding : transferEncoding.substr(comma + 1));
    return sameLetters(last, "chunked");
}

std::string httpResolveRedirect(std::string_view base, std::string_view location) {
    // A fragment is the browser's, never part of a request.
    location = location.substr(0, location.find('#'));
    const std::size_t scheme = schemeLength(location);
    if (scheme > 0 && location.substr(scheme).starts_with("//")) return std::string(location);
    // A first segment with a colon cannot be a relative path: it is read, as it always was, as
    // a host with its port.
    const std::string_view firstSegment = location.substr(0, location.find_first_of("/?"));
    if (firstSegment.find(':') != std::string_view::npos) return std::string(location);

    const std::size_t marker = base.find("://");
    const std::size_t hostStart = marker == std::string_view::npos ? 0 : marker + 3;
    const std::size_t pathStart = base.find('/', hostStart);
    const std::string_view origin = base.substr(0, pathStart);
    const std::string_view basePath = pathStart == std::string_view::npos ? "/" : base.substr(pathStart);

    if (location.starts_with("//")) {
        const std::string_view baseScheme =
            marker == std::string_view::npos ? "http" : base.substr(0, marker);
        return std::string(baseScheme) + ":" + std::string(location);
    }
    if (location.starts_with("/")) return std::string(origin) + normalisedTarget(location);
    const std::string_view pathOnly = basePath.substr(0, basePath.find('?'));
    if (location.starts_with("?")) return std::string(origin) + std::string(pathOnly) + std::string(location);
    const std::string_view folder = pathOnly.substr(0, pathOnly.rfind('/') + 1);
    return std::string(origin) + normalisedTarget(std::string(folder) + std::string(location));
}
