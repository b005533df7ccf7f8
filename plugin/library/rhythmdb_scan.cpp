#include "plugin/library/rhythmdb_scan.h"

#include "common/regular_file.h"
#include "plugin/library/xml_entities.h"
#include "plugin/model/protected_data.h"

#include <algorithm>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {

namespace {

constexpr std::size_t kBlockBytes = 128 << 10;

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// True when the tag's name is `name`: the tag starts with it, and it ends there, at a space, or
// at the '/' of an empty element. No name is cut out of the tag to compare.
template <std::size_t N> bool isNamed(std::string_view tag, const char (&name)[N]) {
    // A name of known length is held against the tag's bytes inline, with no call to memcmp.
    constexpr std::size_t n = N - 1;
    if (tag.size() < n || std::memcmp(tag.data(), name, n) != 0) return false;
    return tag.size() == n || isLibrarySpace(tag[n]) || tag[n] == '/';
}

// The value of attribute `name` in a start tag, quoted with ' or "; "" when absent.
std::string_view attribute(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        if (at == 0 || !isLibrarySpace(tag[at - 1])) continue;
        std::size_t i = at + name.size();
        while (i < tag.size() && isLibrarySpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && isLibrarySpace(tag[i]))
            ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
        const std::size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos) return {};
        return tag.substr(i + 1, close - i - 1);
    }
    return {};
}

// The kept field a tag names; its first byte rules out nearly every other tag of a song.
RhythmdbScan::Field fieldNamed(std::string_view tag) {
    using Field = RhythmdbScan::Field;
    if (tag.empty()) return Field::none;
    switch (tag[0]) {
    case 'a':
        if (isNamed(tag, "artist")) return Field::artist;
        if (isNamed(tag, "album")) return Field::album;
        return isNamed(tag, "album-artist") ? Field::albumArtist : Field::none;
    case 'p':
        return isNamed(tag, "play-count") ? Field::playCount : Field::none;
    case 'm':
        if (isNamed(tag, "mb-artistid")) return Field::artistId;
        return isNamed(tag, "mb-albumartistid") ? Field::albumArtistId : Field::none;
    default:
        return Field::none;
    }
}

std::uint64_t playCountOf(std::string_view text) {
    text = trimmedName(text);
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        n = std::min(n * 10 + static_cast<std::uint64_t>(c - '0'), SongLists::kMostPlays);
    }
    return n;
}

void appendBounded(std::string& to, std::string_view bytes, std::size_t most) {
    if (to.size() < most) to.append(bytes.substr(0, most - to.size()));
}

// The first byte c in [p, end), or null. The spans between tags are a few bytes: inline, 16
// bytes at a time, the search costs less than a call to memchr.
const char* nextByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
        if (hits) return p + __builtin_ctz(hits);
    }
#endif
    for (; p < end; ++p)
        if (*p == c) return p;
    return nullptr;
}

// True for a tag that changes nothing outside a field, told by the two bytes after its '<'.
// "entry", "/entry" and "!" (a CDATA section or comment, which may hold '<' and '>') always
// count; in a song so do the kept fields: artist, album, album-artist, play-count, mb-*.
bool doesNothing(char first, char second, bool inSong) {
    if (first == '!' || first == 'e') return false;
    if (first == '/') return second != 'e';
    return !inSong || (first != 'a' && first != 'p' && first != 'm');
}

} // namespace

bool RhythmdbScan::readFile(const char* path, ProtectedData& state) {
    const FileCloser file{openRegularFileWith(path, O_RDONLY, 0)};
    if (file.fd < 0) return false;
    std::vector<char> block(kBlockBytes);
    while (!state.getShutingDown()) {
        const ssize_t got = ::read(file.fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        feed(std::string_view(block.data(), static_cast<std::size_t>(got)));
    }
    return true;
}

void RhythmdbScan::feed(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        switch (mode) {
        case Mode::text: {
            if (field == Field::none) i = skipTagsThatDoNothing(bytes, i);
            if (i >= bytes.size()) break;
            // Between tags only a field's text is kept; the rest is passed over in one search.
            const char* lt = nextByte(bytes.data() + i, bytes.data() + bytes.size(), '<');
            const std::size_t stop = lt ? static_cast<std::size_t>(lt - bytes.data()) : bytes.size();
            if (field != Field::none) appendBounded(pending, bytes.substr(i, stop - i), kLongestValue);
            i = stop;
            if (lt) {
                endText();
                mode = Mode::tag;
                tag.clear();
                ++i;
            }
            break;
        }
        case Mode::tag: {
            // A tag opening with '!' is read byte by byte until it is known to open a CDATA
            // section or a comment, whose text may hold '>'; any other runs to its '>' at once.
            if (tag.empty() && bytes[i] != '!') {
                // Most tags are whole in the block: they are read where they stand.
                const char* gt = nextByte(bytes.data() + i, bytes.data() + bytes.size(), '>');
                if (gt) {
                    const std::size_t stop = static_cast<std::size_t>(gt - bytes.data());
                    const std::string_view whole = bytes.substr(i, std::min(stop - i, kLongestTag));
                    i = stop + 1;
                    tagEnded(whole);
                    break;
                }
            }
            if (tag.empty() || (tag[0] == '!' && tag.size() < 8)) {
                const char c = bytes[i++];
                if (c == '>') {
                    tagEnded(tag);
                } else {
                    tag += c;
                    if (tag == "![CDATA[" || tag == "!--") {
                        mode = tag[1] == '[' ? Mode::cdata : Mode::comment;
                        marks = 0;
                    }
                }
                break;
            }
            const char* gt = nextByte(bytes.data() + i, bytes.data() + bytes.size(), '>');
            const std::size_t stop = gt ? static_cast<std::size_t>(gt - bytes.data()) : bytes.size();
            appendBounded(tag, bytes.substr(i, stop - i), kLongestTag);
            i = stop;
            if (gt) {
                ++i;
                tagEnded(tag);
            }
            break;
        }
        case Mode::cdata: {
            // "]]>" ends the section; its text is kept as written, with no entities to decode.
            const char c = bytes[i++];
            if (c == ']') {
                if (++marks > 2) {
                    keep("]");
                    marks = 2;
                }
            } else if (c == '>' && marks == 2) {
                mode = Mode::text;
            } else {
                keep(std::string_view("]]", marks));
                keep(std::string_view(&c, 1));
                marks = 0;
            }
            break;
        }
        case Mode::comment: {
            const char c = bytes[i++];
            if (c == '>' && marks >= 2) mode = Mode::text;
            marks = c == '-' ? marks + 1 : 0;
            break;
        }
        }
    }
}

std::size_t RhythmdbScan::skipTagsThatDoNothing(std::string_view bytes, std::size_t i) const {
    // Outside a field, most tags change nothing: a closing tag other than the entry's, a tag in
    // an entry that is no song, a song's fields that are not kept. Their first bytes tell them
    // apart, so they are passed over with no name built. Any other tag, and one not whole in
    // the block, stops the skipping at its '<' for the full reading.
    const bool inSong = inEntry && isSong;
    const char* const end = bytes.data() + bytes.size();
    const char* p = bytes.data() + i;
    for (;;) {
        const char* lt = nextByte(p, end, '<');
        if (!lt) return bytes.size();
        const std::size_t at = static_cast<std::size_t>(lt - bytes.data());
        if (end - lt < 3 || !doesNothing(lt[1], lt[2], inSong)) return at;
        const char* gt = nextByte(lt + 1, end, '>');
        if (!gt) return at;
        p = gt + 1;
    }
}

void RhythmdbScan::keep(std::string_view text) {
    if (field != Field::none) appendBounded(values[static_cast<int>(field)], text, kLongestValue);
}

void RhythmdbScan::endText() {
    if (field == Field::none) return;
    std::string& value = values[static_cast<int>(field)];
    // Most names hold no entity: they are kept as read, with no decoded copy.
    if (pending.find('&') == std::string::npos)
        appendBounded(value, pending, kLongestValue);
    else
        appendBounded(value, decodeXmlEntities(pending), kLongestValue);
    pending.clear();
}

void RhythmdbScan::tagEnded(std::string_view text) {
    mode = Mode::text;
    if (text.empty() || text[0] == '?' || text[0] == '!') return;
    const bool closes = text[0] == '/';
    const std::string_view body = closes ? text.substr(1) : text;
    const bool empty = !closes && text.back() == '/';

    if (isNamed(body, "entry")) {
        if (closes) {
            entryEnded();
        } else {
            entryStarted(text);
            if (empty) entryEnded();
        }
        return;
    }
    if (!inEntry || !isSong) return;
    const Field named = fieldNamed(body);
    if (closes) {
        if (named == field) field = Field::none;
    } else if (named != Field::none && !empty) {
        field = named;
        values[static_cast<int>(named)].clear();
    }
}

void RhythmdbScan::entryStarted(std::string_view start) {
    // An entry left open by a cut file is dropped, not merged into the next one.
    inEntry = true;
    isSong = attribute(start, "type") == "song";
    field = Field::none;
    for (std::string& value : values)
        value.clear();
}

void RhythmdbScan::entryEnded() {
    const bool song = inEntry && isSong;
    inEntry = isSong = false;
    field = Field::none;
    if (!song) return;
    // An album's own artist names the band when it is set: a compilation's tracks then count
    // once, under the name the user filed it by.
    const bool byAlbumArtist = !trimmedName(values[static_cast<int>(Field::albumArtist)]).empty();
    const Field artist = byAlbumArtist ? Field::albumArtist : Field::artist;
    const Field id = byAlbumArtist ? Field::albumArtistId : Field::artistId;
    found.add(values[static_cast<int>(artist)], values[static_cast<int>(Field::album)],
              playCountOf(values[static_cast<int>(Field::playCount)]), values[static_cast<int>(id)]);
}

} // namespace vx
