#pragma once
// Where the markers of a library file stand in one line, found in one pass: a library holds a
// million lines, nearly all of them keys the reader has no use for.
#include "plugin/services/line_markers.h"
#include "plugin/services/line_source.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
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

// The bits of `count` 64-byte steps from data[base] into open[] and feed[]; a step that reaches
// past the text's end reads zeros there.
template <typename Bits>
[[gnu::always_inline]] inline void findStepsWith(const char* data, std::size_t size, std::size_t base,
                                                  std::size_t count, std::uint64_t* open, std::uint64_t* feed) {
    for (std::size_t i = 0; i < count; ++i, base += 64) {
        if (size - base >= Bits::kReach) {
            Bits::find(data + base, open[i], feed[i]);
        } else {
            char tail[Bits::kReach] = {};
            std::memcpy(tail, data + base, size - base);
            Bits::find(tail, open[i], feed[i]);
        }
    }
}

// Bit i of `open` is set when p[i] is a '<' that can start a marker ("<k", "<K", "<d" or "</d"),
// of `feed` when p[i] is '\n'; reads kReach bytes from p. Most '<' of a library close a key or
// open and close its value, and are dropped here.
struct NarrowBits {
    static constexpr std::size_t kReach = 66;
    static void findSteps(const char* data, std::size_t size, std::size_t base, std::size_t count,
                          std::uint64_t* open, std::uint64_t* feed) {
        findStepsWith<NarrowBits>(data, size, base, count, open, feed);
    }
    static void find(const char* p, std::uint64_t& open, std::uint64_t& feed) {
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
            const __m128i next = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(v1, lowerCase), k), _mm_cmpeq_epi8(v1, d)),
                _mm_and_si128(_mm_cmpeq_epi8(v1, slash), _mm_cmpeq_epi8(v2, d)));
            const __m128i starts = _mm_and_si128(_mm_cmpeq_epi8(v0, lt), next);
            open |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(starts)))
                    << (16 * i);
            feed |= static_cast<std::uint64_t>(
                        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v0, nl))))
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
};

#if defined(__x86_64__) && defined(__GNUC__)
#define VX_WIDE_LIBRARY_WALK 1
// The same bits 64 bytes at a time, narrowed further to what a marker's first letters allow:
// "<dict>", "</dict>", and keys whose name starts with A, G, K or M, "Track I", "TV", "Po", or
// "name" followed by a value starting with "v". Nearly all of a library's keys are then dropped before the scalar
// check, which still decides. Reads kReach bytes from p.
struct WideBits {
    static constexpr std::size_t kReach = 88;
#define VX_AT(offset) _mm512_loadu_si512(p + (offset))
#define VX_IS(v, c) _mm512_cmpeq_epi8_mask((v), _mm512_set1_epi8(c))
    [[gnu::target("avx512bw")]] static void findSteps(const char* data, std::size_t size, std::size_t base,
                                                      std::size_t count, std::uint64_t* open,
                                                      std::uint64_t* feed) {
        findStepsWith<WideBits>(data, size, base, count, open, feed);
    }
    [[gnu::target("avx512bw")]] static void find(const char* p, std::uint64_t& open, std::uint64_t& feed) {
        const __m512i lowerCase = _mm512_set1_epi8(0x20);
        const __m512i v0 = VX_AT(0), v1 = VX_AT(1), v2 = VX_AT(2), v5 = VX_AT(5);
        // A, G, K and M, looked up by each nibble of the key's first letter.
        // Bytes 0 1 0 0 0 0 0 1 0 0 0 1 0 1 0 0, and 0 0 0 0 1 0 ..., in every 16-byte lane.
        const __m512i lowTable = _mm512_set4_epi32(0x00000100, 0x01000000, 0x01000000, 0x00000100);
        const __m512i highTable = _mm512_set4_epi32(0, 0, 0x00000001, 0);
        const __m512i nibble = _mm512_set1_epi8(0x0f);
        const __m512i low = _mm512_shuffle_epi8(lowTable, _mm512_and_si512(v5, nibble));
        const __m512i high = _mm512_shuffle_epi8(highTable, _mm512_and_si512(_mm512_srli_epi16(v5, 4), nibble));
        // T only for "Track ID" and "TV Show", P only for "Podcast": the other T and P keys are
        // on every track.
        const __m512i v6 = VX_AT(6);
        const __mmask64 keyLetter = _mm512_test_epi8_mask(low, high) |
                                    (VX_IS(v5, 'T') & (VX_IS(VX_AT(11), 'I') | VX_IS(v6, 'V'))) |
                                    (VX_IS(v5, 'P') & VX_IS(v6, 'o'));
        const __mmask64 ownName = VX_IS(_mm512_or_si512(v5, lowerCase), 'n') & VX_IS(_mm512_or_si512(VX_AT(23), lowerCase), 'v');
        const __mmask64 key = VX_IS(_mm512_or_si512(v1, lowerCase), 'k') & (keyLetter | ownName);
        const __mmask64 dict = (VX_IS(v1, 'd') & VX_IS(v2, 'i')) | (VX_IS(v1, '/') & VX_IS(v2, 'd') & VX_IS(VX_AT(3), 'i'));
        open = VX_IS(v0, '<') & (key | dict);
        feed = VX_IS(v0, '\n');
    }
#undef VX_AT
#undef VX_IS
};

// Asked of the processor once.
inline bool wideWalkRuns() {
    static const bool runs = __builtin_cpu_supports("avx512bw");
    return runs;
}
#endif

template <typename Bits, typename OnLine, typename EveryLine>
void walkLibraryLines(std::string_view text, OnLine& onLine, EveryLine& everyLine) {
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
    // The bits of many steps are found in one go, so that the vector loop runs without calls.
    constexpr std::size_t kSteps = 256;
    std::uint64_t stepOpen[kSteps], stepFeed[kSteps];
    for (std::size_t base = 0, step = kSteps; base < size; base += 64, ++step) {
        if (step == kSteps) {
            Bits::findSteps(data, size, base, std::min(kSteps, (size - base + 63) / 64), stepOpen, stepFeed);
            step = 0;
        }
        const std::uint64_t open = stepOpen[step], feed = stepFeed[step];
        // Where the line holding bit i starts.
        auto startOf = [&](std::uint64_t bit) {
            const std::uint64_t before = feed & (bit - 1);
            return before ? base + 64 - static_cast<std::size_t>(__builtin_clzll(before)) : afterFeed;
        };
        auto markAt = [&](std::uint64_t bits) {
            for (; bits; bits &= bits - 1) {
                const std::size_t pos = base + static_cast<std::size_t>(__builtin_ctzll(bits));
                markLibraryMarker(found, data + pos, size - pos, pos - lineStart);
            }
        };
        // Line feeds matter only to close a line that holds a marker, or when every line is asked for.
        std::uint64_t marks = open, feeds = feed;
        // Outside the every-line mode a marked line's end is read off the feed bits behind its
        // marker, and the feeds of other lines are never visited.
        while (!everyLine()) {
            if (inLine) {
                if (!feeds) {
                    markAt(marks);
                    marks = 0;
                    break;
                }
                const std::uint64_t end = feeds & (~feeds + 1);
                markAt(marks & (end - 1));
                const std::uint64_t behind = ~((end << 1) - 1);
                marks &= behind;
                feeds &= behind;
                endLine(base + static_cast<std::size_t>(__builtin_ctzll(end)));
                continue;
            }
            if (!marks) break;
            const std::uint64_t bit = marks & (~marks + 1);
            marks &= marks - 1;
            feeds &= ~((bit << 1) - 1);
            lineStart = startOf(bit);
            markAt(bit);
            inLine = found.any();
        }
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

} // namespace detail

// Calls onLine(const LibraryLine&) for the lines of a run of whole lines (each "\n" and the
// run's end close a line) that hold a marker, and for every line while everyLine() says so. The
// run is walked once, 64 bytes at a time, for its marker starts and line feeds together; a line
// is only cut out around a marker, so the many lines without one cost no more than their bytes.
// `narrow` keeps to the walk every x86-64 processor runs.
template <typename OnLine, typename EveryLine>
void forEachLibraryLine(std::string_view text, OnLine onLine, EveryLine everyLine, bool narrow = false) {
#if VX_WIDE_LIBRARY_WALK
    if (!narrow && detail::wideWalkRuns()) return detail::walkLibraryLines<detail::WideBits>(text, onLine, everyLine);
#endif
    (void)narrow;
    detail::walkLibraryLines<detail::NarrowBits>(text, onLine, everyLine);
}

} // namespace vx
