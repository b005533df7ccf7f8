#pragma once
// Where the markers of a library file stand in one line, found in one pass: a library holds a
// million lines, nearly all of them keys the reader has no use for.
#include "plugin/services/line_markers.h"
#include "plugin/services/line_source.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {

enum LibraryMarker {
    kDictOpen,    // "<dict>"
    kDictClose,   // "</dict>"
    kVersionKey,  // "<key>Application Version</key><string>"
    kTrackIdKey,  // "<key>Track ID</key><integer>"
    kArtistKey,   // "<key>Artist</key><string>"
    kAlbumKey,    // "<key>Album</key><string>"
    kGenreKey,    // "<key>Genre</key><string>"
    kKindKey,     // "<key>Kind</key><string>"
    kMovieFlag,   // "<key>Movie</key><true/>"
    kTvShowFlag,  // "<key>TV Show</key><true/>"
    kPodcastFlag, // "<key>Podcast</key><true/>"
    kOwnPlaylist, // "<key>name</key><string>voxtrail</string>" in any letter case
    kLibraryMarkers
};

extern const std::string_view kLibraryMarkerText[kLibraryMarkers];

struct LibraryLine {
    std::string_view line;
    std::uint32_t marks = 0;         // one bit per marker found
    std::size_t at[kLibraryMarkers]; // first position of each found marker in the line

    bool has(LibraryMarker m) const { return (marks >> m) & 1u; }
    bool any() const { return marks != 0; }
    // The value behind the marker up to the first close after it.
    bool value(LibraryMarker m, std::string_view close, std::string_view& out) const {
        return has(m) && valueAfter(line, at[m], kLibraryMarkerText[m], close, out);
    }
    void mark(LibraryMarker m, std::size_t pos) {
        if (has(m)) return;
        at[m] = pos;
        marks |= 1u << m;
    }
};

// Records the marker, if any, that starts with the '<' at data[pos]; `left` bytes from there on
// may be read. Markers hold no line end, so a match never reaches into the next line.
void markLibraryMarker(LibraryLine& found, const char* at, std::size_t left, std::size_t posInLine);

// The markers of one line, searched '<' by '<': the plain form of what forEachLibraryLine finds.
LibraryLine findLibraryMarkers(std::string_view line);

namespace detail {

// Bit i of `open` is set when p[i] is a '<' that can start a marker ("<k", "<K", "<d" or "</d"),
// of `feed` when p[i] is '\n'; reads 66 bytes from p. Most '<' of a library close a key or
// open and close its value, and are dropped here.
inline void markerAndLineBits(const char* p, std::uint64_t& open, std::uint64_t& feed) {
    open = feed = 0;
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i nl = _mm_set1_epi8('\n');
    const __m128i k = _mm_set1_epi8('k');
    const __m128i d = _mm_set1_epi8('d');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i lowerCase = _mm_set1_epi8(0x20);
    for (int i = 0; i < 4; ++i) {
        const char* q = p + 16 * i;
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 2));
        const __m128i next =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(v1, lowerCase), k), _mm_cmpeq_epi8(v1, d)),
                         _mm_and_si128(_mm_cmpeq_epi8(v1, slash), _mm_cmpeq_epi8(v2, d)));
        const __m128i starts = _mm_and_si128(_mm_cmpeq_epi8(v0, lt), next);
        open |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(starts))) << (16 * i);
        feed |=
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v0, nl))))
            << (16 * i);
    }
#else
    for (int i = 0; i < 64; ++i) {
        const char c1 = static_cast<char>(p[i + 1] | 0x20);
        const bool starts =
            p[i] == '<' && (c1 == 'k' || p[i + 1] == 'd' || (p[i + 1] == '/' && p[i + 2] == 'd'));
        open |= static_cast<std::uint64_t>(starts) << i;
        feed |= static_cast<std::uint64_t>(p[i] == '\n') << i;
    }
#endif
}

} // namespace detail

// Calls onLine(const LibraryLine&) for the lines of a run of whole lines (each "\n" and the
// run's end close a line) that hold a marker, and for every line while everyLine() says so. The
// run is walked once, 64 bytes at a time, for its marker starts and line feeds together; a line
// is only cut out around a marker, so the many lines without one cost no more than their bytes.
template <typename OnLine, typename EveryLine>
void forEachLibraryLine(std::string_view text, OnLine onLine, EveryLine everyLine) {
    const char* data = text.data();
    const std::size_t size = text.size();
    LibraryLine found;
    bool inLine = false; // a marker was found in the line that starts at lineStart
    std::size_t lineStart = 0;
    std::size_t afterFeed = 0; // just behind the last line feed before the current 64 bytes
    auto endLine = [&](std::size_t stop) {
        found.line = withoutCarriageReturn(std::string_view(data + lineStart, stop - lineStart));
        // A "<key>" that named no marker opened the line for nothing.
        if (found.any() || everyLine()) onLine(static_cast<const LibraryLine&>(found));
        found.marks = 0;
        inLine = false;
    };
    for (std::size_t base = 0; base < size; base += 64) {
        std::uint64_t open = 0, feed = 0;
        if (size - base >= 66) {
            detail::markerAndLineBits(data + base, open, feed);
        } else {
            char tail[66] = {};
            std::memcpy(tail, data + base, size - base);
            detail::markerAndLineBits(tail, open, feed);
        }
        // Where the line holding bit i starts.
        auto startOf = [&](std::uint64_t bit) {
            const std::uint64_t before = feed & (bit - 1);
            return before ? base + 64 - static_cast<std::size_t>(__builtin_clzll(before)) : afterFeed;
        };
        // Line feeds matter only to close a line that holds a marker, or when every line is asked for.
        std::uint64_t marks = open, feeds = feed;
        for (;;) {
            const std::uint64_t next = (inLine || everyLine()) ? (marks | feeds) : marks;
            if (!next) break;
            const std::uint64_t bit = next & (~next + 1);
            const std::size_t pos = base + static_cast<std::size_t>(__builtin_ctzll(next));
            const std::uint64_t behind = ~((bit << 1) - 1);
            marks &= behind;
            feeds &= behind;
            if (feed & bit) {
                if (!inLine) lineStart = startOf(bit);
                endLine(pos);
                continue;
            }
            if (!inLine) {
                lineStart = startOf(bit);
                inLine = true;
            }
            markLibraryMarker(found, data + pos, size - pos, pos - lineStart);
            // A "<key>" that named no marker leaves its line closed: its line feed is not looked at.
            if (!found.any() && !everyLine()) inLine = false;
        }
        if (feed) afterFeed = base + 64 - static_cast<std::size_t>(__builtin_clzll(feed));
    }
    if (inLine) {
        endLine(size);
    } else if (afterFeed < size && everyLine()) {
        lineStart = afterFeed;
        endLine(size);
    }
}

} // namespace vx
