// Arbitrary bytes as a concert source's page, read into shows against a small library and
// checked for being a full answer; the reader of wanted events is checked against the whole read.
#include "fuzz/fuzz_library.h"
#include "plugin/matching/concert_matching.h"
#include "plugin/model/show_time.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML_Artist_List& library = vx::fuzz::smallLibrary();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string page(bytes.c_str());
    SHOWLIST concerts;
    SHOWLIST previous;
    int asked = 0;
    // Every other input is stopped part way, so the stop path is read too.
    const bool stopEarly = size % 2 == 1;
    readSourcePage(page, size % 3 == 0, library, concerts, &previous,
                   [&] { return stopEarly && ++asked > 2; });
    for (const SHOWENTRY* s = concerts.head; s; s = s->next) {
        if (std::strlen(s->artist) > 255 || std::strlen(s->otherArtists) > 1023 ||
            std::strlen(s->location) > 255)
            __builtin_trap();
        if (s->month < 1 || s->month > 12 || s->day < 1 || s->day > 31) __builtin_trap();
        if (s->next && compareDates(s, s->next) > 0) __builtin_trap();
        // A kept time is always "HH:MM" and a kept zone always a plain zone name.
        int hour = 0, minute = 0;
        if (s->startTime[0] && (std::strlen(s->startTime) != 5 || !vx::showStartTime(*s, hour, minute)))
            __builtin_trap();
        if (s->timeZone[0] && (!s->startTime[0] || !vx::isZoneName(s->timeZone))) __builtin_trap();
    }
    // A full answer's events are exactly the ones the reader takes.
    const SourceAnswer answer = checkSourceAnswer(page, {"gigwire", "Boston", "MA", 75});
    long taken = 0;
    readSourceEvents(page, [&](const SourceEvent&) { return ++taken > 0; });
    if (answer.full && answer.events != taken) __builtin_trap();
    // The reader of wanted events hands exactly the whole read's events with a wanted performer,
    // each performer shown with the id the whole read gives it; screened by date, exactly those of
    // them whose whole read's date it keeps.
    auto wanted = [](std::string_view p, std::string_view id) { return (p.size() + id.size()) % 2 == 1; };
    using Bill = std::pair<std::vector<std::string_view>, std::vector<std::string_view>>;
    auto compare = [&](const std::function<bool(std::string_view date)>& keeps) {
        std::vector<Bill> whole, few;
        readSourceEvents(page, [&](const SourceEvent& e) {
            for (std::size_t i = 0; i < e.performers.size() && (!keeps || keeps(e.date)); ++i) {
                if (!wanted(e.performers[i], e.performerIds[i])) continue;
                whole.emplace_back(e.performers, e.performerIds);
                break;
            }
            return true;
        });
        readWantedSourceEvents(
            page,
            [&](std::string_view p, std::string_view id) {
                return wanted(p, id) ? Performer::kWanted : Performer::kUnwanted;
            },
            [&](const SourceEvent& e) {
                few.emplace_back(e.performers, e.performerIds);
                return true;
            },
            keeps);
        if (whole != few) __builtin_trap();
    };
    compare({});
    // The walk asks of each date text once: an answer that depends on every byte of it.
    const auto keeps = [](std::string_view date) {
        unsigned mixed = 0;
        for (const char c : date)
            mixed = mixed * 31 + static_cast<unsigned char>(c);
        return mixed % 3 != 1;
    };
    compare(keeps);
    return 0;
}
