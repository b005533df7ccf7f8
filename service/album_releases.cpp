#include "service/album_releases.h"

#include "service/stable_random.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vxs {
namespace {

const std::array kTitleFirst = {"Letters from", "Songs for",   "Nights in",      "The Long Road to",
                                "Maps of",      "Ghosts of",   "Tales from",     "Lights over",
                                "Echoes of",    "Weather for", "Postcards from", "Hymns for",
                                "Static over",  "Gold from",   "Waltzes for"};
const std::array kTitleSecond = {"the Harbor",  "Tomorrow",      "the Valley",  "Paper Towns",
                                 "the North",   "Ordinary Days", "the Ashes",   "Salt Lake",
                                 "Nobody",      "the Frontier",  "Winter",      "the Orchard",
                                 "Old Friends", "the Static",    "Seven Rivers"};
const std::array kLabels = {"Import",
                            "Extra tracks",
                            "CD-single",
                            "EP",
                            "Original recording remastered",
                            "Limited Edition",
                            "Soundtrack",
                            "Live",
                            "Non-Active Artist"};

constexpr int kWindowDays = 365;
constexpr double kReleaseInQuarter = 0.3;
constexpr double kReissueInQuarter = 0.5;
constexpr const char* kRemastered = "Original recording remastered";

// Album text that cannot break a release line: no tag brackets, no line ends, no "@@".
std::string lineText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<' || c == '>') continue;
        if (c == '@' && !out.empty() && out.back() == '@') continue;
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out.substr(0, 500);
}

} // namespace

int releasePageOf(const Artist& artist) {
    return static_cast<int>(stableHash(artist.key, 0x5EEDULL) % kReleasePages);
}

std::vector<Release> generateReleases(const Catalogue& catalogue, const CivilDate& today) {
    std::vector<Release> releases;
    const long first = daysFromCivil(today);
    const long last = first + kWindowDays;
    for (std::size_t a = 0; a < catalogue.size(); ++a) {
        const std::uint64_t seed = stableHash(catalogue.artists()[a].key, 0xA1B0ULL);
        int quarter = today.year * 4 + (today.month - 1) / 3;
        for (int q = quarter; q <= quarter + 4; ++q) {
            StableRandom rng(mixHash(seed, static_cast<std::uint64_t>(q)));
            bool hasRelease = rng.chance(kReleaseInQuarter);
            int year = q / 4, month = (q % 4) * 3 + 1 + static_cast<int>(rng.below(3));
            // Albums come out on Tuesdays: the first Tuesday of the month plus whole weeks.
            long monthStart = daysFromCivil({year, month, 1});
            long weekday = ((monthStart % 7) + 7 + 4) % 7; // 0 = Sunday
            long tuesday = monthStart + (2 - weekday + 7) % 7 + 7 * static_cast<long>(rng.below(4));
            Release r;
            r.artist = a;
            r.date = civilFromDays(tuesday);
            r.title = std::string(kTitleFirst[rng.below(kTitleFirst.size())]) + " " +
                      kTitleSecond[rng.below(kTitleSecond.size())];
            r.formats.push_back("CD");
            int labels = static_cast<int>(rng.below(3));
            for (int i = 0; i < labels; ++i) {
                std::string label = kLabels[rng.below(kLabels.size())];
                if (std::find(r.formats.begin(), r.formats.end(), label) == r.formats.end())
                    r.formats.push_back(label);
            }
            // Drawn from its own stream, so the releases of artists without albums stay as they were.
            const std::vector<std::string>& held = catalogue.artists()[a].albums;
            StableRandom reissue(mixHash(seed ^ 0x7E1551EULL, static_cast<std::uint64_t>(q)));
            if (!held.empty() && reissue.chance(kReissueInQuarter)) {
                r.title = held[reissue.below(held.size())];
                if (std::find(r.formats.begin(), r.formats.end(), kRemastered) == r.formats.end())
                    r.formats.push_back(kRemastered);
            }
            char asin[16];
            std::snprintf(asin, sizeof asin, "B0%08llX",
                          static_cast<unsigned long long>(rng.next() & 0xFFFFFFFFULL));
            r.asin = asin;
            if (hasRelease && tuesday >= first && tuesday < last) releases.push_back(std::move(r));
        }
    }
    std::stable_sort(releases.begin(), releases.end(), [](const Release& x, const Release& y) {
        return daysFromCivil(x.date) < daysFromCivil(y.date);
    });
    return releases;
}

Reply releasePage(int page, const Catalogue& catalogue, const CivilDate& today) {
    if (page < 0 || page >= kReleasePages) return errorReply(404, "no such release page");
    Reply reply;
    for (const Release& r : generateReleases(catalogue, today)) {
        const Artist& artist = catalogue.artists()[r.artist];
        if (releasePageOf(artist) != page) continue;
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", r.date.year, r.date.month, r.date.day);
        std::string formats;
        for (const std::string& f : r.formats)
            formats += f + "@@";
        reply.body += std::string("<D>") + date + "</D><A>" + lineText(artist.name) + "</A><T>" +
                      lineText(r.title) + "</T><F>" + formats + "</F><L>" + r.asin + "</L>\n";
    }
    return reply;
}

const Release* findRelease(const std::vector<Release>& releases, const std::string& asin) {
    for (const Release& r : releases)
        if (r.asin == asin) return &r;
    return nullptr;
}

} // namespace vxs
