#pragma once
// Where the markers of a library file stand in one line, found in one pass: a library holds a
// million lines, nearly all of them keys the reader has no use for.
#include "plugin/library/line_markers.h"
#include "plugin/library/line_source.h"

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

// Bit i of a step's `open` is set when p[i] is a '<' that can start a marker ("<k", "<K", "<d"
// or "</d"), of its `feed` when p[i] is '\n'. Most '<' of a library close a key or open and close
// its value, and are dropped here; the wide walk also drops keys whose name starts with no
// marker's letter. findSteps finds the bits of `count` 64-byte steps from data[base]; a step
// reads 69 bytes, and one that reaches past the text's end reads zeros there.
constexpr std::size_t kStepReach = 69;

// Where the step at data[base] is read from: the text, or a copy of its last bytes.
inline const char* stepBytes(const char* data, std::size_t size, std::size_t base, char (&tail)[kStepReach]) {
    if (size - base >= kStepReach) return data + base;
    std::memset(tail, 0, kStepReach);
    return static_cast<const char*>(std::memcpy(tail, data + base, size - base));
}

// Sixteen bytes at a time: what every x86-64 processor runs.
struct NarrowBits {
    static void findSteps(const char* data, std::size_t size, std::size_t base, std::size_t count,
                          std::uint64_t* open, std::uint64_t* feed) {
        for (std::size_t i = 0; i < count; ++i, base += 64) {
            char tail[kStepReach];
            const char* p = stepBytes(data, size, base, tail);
            open[i] = feed[i] = 0;
            for (int part = 0; part < 4; ++part) {
                std::uint32_t partOpen, partFeed;
                find(p + 16 * part, partOpen, partFeed);
                open[i] |= static_cast<std::uint64_t>(partOpen) << (16 * part);
                feed[i] |= static_cast<std::uint64_t>(partFeed) << (16 * part);
            }
        }
    }

  private:
    static void find(const char* p, std::uint32_t& open, std::uint32_t& feed) {
#if defined(__SSE2__)
        const auto at = [p](int offset) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset));
        };
        const auto is = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
        const __m128i v0 = at(0), v1 = at(1), v2 = at(2);
        const __m128i key = is(_mm_or_si128(v1, _mm_set1_epi8(0x20)), 'k');
        const __m128i dict = _mm_or_si128(is(v1, 'd'), _mm_and_si128(is(v1, '/'), is(v2, 'd')));
        open = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_and_si128(is(v0, '<'), _mm_or_si128(key, dict))));
        feed = static_cast<std::uint32_t>(_mm_movemask_epi8(is(v0, '\n')));
#else
        open = feed = 0;
        for (int i = 0; i < 16; ++i) {
            const bool starts = p[i] == '<' && ((p[i + 1] | 0x20) == 'k' || p[i + 1] == 'd' ||
                                                (p[i + 1] == '/' && p[i + 2] == 'd'));
            open |= static_cast<std::uint32_t>(starts) << i;
            feed |= static_cast<std::uint32_t>(p[i] == '\n') << i;
        }
#endif
    }
};

#if defined(__x86_64__) && defined(__GNUC__)
#define VX_WIDE_LIBRARY_WALK 1
// The same bits 32 bytes at a time, on processors with AVX2.
struct WideBits {
    [[gnu::target("avx2")]] static void findSteps(const char* data, std::size_t size, std::size_t base,
                                                  std::size_t count, std::uint64_t* open,
                                                  std::uint64_t* feed) {
        for (std::size_t i = 0; i < count; ++i, base += 64) {
            char tail[kStepReach];
            const char* p = stepBytes(data, size, base, tail);
            std::uint32_t lowOpen, lowFeed, highOpen, highFeed;
            find(p, lowOpen, lowFeed);
            find(p + 32, highOpen, highFeed);
            open[i] = lowOpen | static_cast<std::uint64_t>(highOpen) << 32;
            feed[i] = lowFeed | static_cast<std::uint64_t>(highFeed) << 32;
        }
    }

  private:
#define VX_AT(offset) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + (offset)))
#define VX_IS(v, c) _mm256_cmpeq_epi8((v), _mm256_set1_epi8(c))
    [[gnu::target("avx2"), gnu::always_inline]] static void find(const char* p, std::uint32_t& open,
                                                                 std::uint32_t& feed) {
        const __m256i v0 = VX_AT(0), v1 = VX_AT(1), v2 = VX_AT(2), v5 = VX_AT(5);
        // A marker's key name starts with one of "AGKMPTNn": looked up by the letter's two halves
        // (bit 0: 0x4_, bit 1: 0x5_, bit 2: 0x6_), as "<key>Size" and the like are most keys.
        const __m256i lowHalf = _mm256_setr_epi8(2, 1, 0, 0, 2, 0, 0, 1, 0, 0, 0, 1, 0, 1, 5, 0, 2, 1, 0, 0,
                                                 2, 0, 0, 1, 0, 0, 0, 1, 0, 1, 5, 0);
        const __m256i highHalf = _mm256_setr_epi8(0, 0, 0, 0, 1, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                  1, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        const __m256i nibble = _mm256_set1_epi8(0x0F);
        const __m256i letterBits = _mm256_and_si256(
            _mm256_shuffle_epi8(lowHalf, _mm256_and_si256(v5, nibble)),
            _mm256_shuffle_epi8(highHalf, _mm256_and_si256(_mm256_srli_epi16(v5, 4), nibble)));
        const __m256i markerLetter =
            _mm256_andnot_si256(VX_IS(letterBits, 0), _mm256_set1_epi8(static_cast<char>(0xFF)));
        const __m256i key =
            _mm256_and_si256(VX_IS(_mm256_or_si256(v1, _mm256_set1_epi8(0x20)), 'k'), markerLetter);
        const __m256i dict =
            _mm256_or_si256(VX_IS(v1, 'd'), _mm256_and_si256(VX_IS(v1, '/'), VX_IS(v2, 'd')));
        open = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(VX_IS(v0, '<'), _mm256_or_si256(key, dict))));
        feed = static_cast<std::uint32_t>(_mm256_movemask_epi8(VX_IS(v0, '\n')));
    }
#undef VX_AT
#undef VX_IS
};

// Asked of the processor once.
inline bool wideWalkRuns() {
    static const bool runs = __builtin_cpu_supports("avx2");
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
    std::size_t lastFeedEnd = 0; // just behind the last line feed before the current chunk
    auto endLine = [&](std::size_t stop) {
        found.line = withoutCarriageReturn(std::string_view(data + lineStart, stop - lineStart));
        // A "<key>" that named no marker opened the line for nothing.
        if (found.any() || everyLine()) onLine(static_cast<const LibraryLine&>(found));
        found.marks = 0;
        inLine = false;
    };
    // The bits of a chunk of steps are found in one go, so that the vector loop runs without
    // calls; then only the steps that hold a marker start are visited.
    constexpr std::size_t kSteps = 256;
    std::uint64_t stepOpen[kSteps], stepFeed[kSteps];
    for (std::size_t chunk = 0; chunk < size; chunk += 64 * kSteps) {
        const std::size_t count = std::min(kSteps, (size - chunk + 63) / 64);
        Bits::findSteps(data, size, chunk, count, stepOpen, stepFeed);
        // Gathered in a register word by word: an or into memory per step would wait on the last.
        std::uint64_t busy[kSteps / 64] = {};
        for (std::size_t w = 0; w * 64 < count; ++w) {
            std::uint64_t word = 0;
            const std::size_t first = w * 64, end = std::min(count, first + 64);
            for (std::size_t i = first; i < end; ++i)
                word |= static_cast<std::uint64_t>(stepOpen[i] != 0) << (i - first);
            busy[w] = word;
        }
        // The first step at or after `from` that holds a marker start, or count.
        auto nextBusy = [&](std::size_t from) {
            for (std::size_t w = from / 64; w < kSteps / 64; ++w) {
                const std::uint64_t b =
                    busy[w] & (w == from / 64 ? ~std::uint64_t{0} << (from % 64) : ~std::uint64_t{0});
                if (b) return w * 64 + static_cast<std::size_t>(__builtin_ctzll(b));
            }
            return count;
        };
        // Where the line holding `bit` of step s starts.
        auto startOf = [&](std::size_t s, std::uint64_t bit) {
            std::uint64_t before = stepFeed[s] & (bit - 1);
            while (!before) {
                if (s == 0) return lastFeedEnd;
                before = stepFeed[--s];
            }
            return chunk + 64 * s + 64 - static_cast<std::size_t>(__builtin_clzll(before));
        };
        std::size_t s = 0;
        std::size_t base = chunk;
        auto markAt = [&](std::uint64_t bits) {
            for (; bits; bits &= bits - 1) {
                const std::size_t pos = base + static_cast<std::size_t>(__builtin_ctzll(bits));
                markLibraryMarker(found, data + pos, size - pos, pos - lineStart);
            }
        };
        // What is left of step s to visit.
        std::uint64_t marks = stepOpen[0], feeds = stepFeed[0];
        auto moveTo = [&](std::size_t step) {
            s = step;
            base = chunk + 64 * s;
            marks = s < count ? stepOpen[s] : 0;
            feeds = s < count ? stepFeed[s] : 0;
            return s < count;
        };
        for (;;) {
            if (everyLine()) {
                // Every line is visited, line feed by line feed, to the end of the step.
                for (;;) {
                    const std::uint64_t next = (inLine || everyLine()) ? (marks | feeds) : marks;
                    if (!next) break;
                    const std::uint64_t bit = next & (~next + 1);
                    const std::size_t pos = base + static_cast<std::size_t>(__builtin_ctzll(next));
                    const std::uint64_t behind = ~((bit << 1) - 1);
                    marks &= behind;
                    feeds &= behind;
                    if (stepFeed[s] & bit) {
                        if (!inLine) lineStart = startOf(s, bit);
                        endLine(pos);
                        continue;
                    }
                    if (!inLine) {
                        lineStart = startOf(s, bit);
                        inLine = true;
                    }
                    markAt(bit);
                    // A "<key>" that named no marker leaves its line closed: its feed is not looked at.
                    if (!found.any() && !everyLine()) inLine = false;
                }
                if (!moveTo(s + 1)) break;
                continue;
            }
            // Otherwise a marked line's end is read off the feed bits behind its marker, and the
            // steps and feeds of other lines are never visited.
            if (inLine) {
                if (!feeds) {
                    markAt(marks);
                    if (!moveTo(s + 1)) break;
                    continue;
                }
                const std::uint64_t end = feeds & (~feeds + 1);
                markAt(marks & (end - 1));
                const std::uint64_t behind = ~((end << 1) - 1);
                marks &= behind;
                feeds &= behind;
                endLine(base + static_cast<std::size_t>(__builtin_ctzll(end)));
                continue;
            }
            if (!marks) {
                if (!moveTo(nextBusy(s + 1))) break;
                continue;
            }
            const std::uint64_t bit = marks & (~marks + 1);
            marks &= marks - 1;
            feeds &= ~((bit << 1) - 1);
            lineStart = startOf(s, bit);
            markAt(bit);
            inLine = found.any();
        }
        for (std::size_t i = count; i-- > 0;) {
            if (stepFeed[i]) {
                lastFeedEnd = chunk + 64 * i + 64 - static_cast<std::size_t>(__builtin_clzll(stepFeed[i]));
                break;
            }
        }
    }
    if (inLine) {
        endLine(size);
    } else if (lastFeedEnd < size && everyLine()) {
        lineStart = lastFeedEnd;
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
    if (!narrow && detail::wideWalkRuns())
        return detail::walkLibraryLines<detail::WideBits>(text, onLine, everyLine);
#endif
    (void)narrow;
    detail::walkLibraryLines<detail::NarrowBits>(text, onLine, everyLine);
}

} // namespace vx
