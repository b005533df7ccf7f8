#include "plugin/engine/source_counts.h"

#include "common/durable_files.h"
#include "common/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace vx {
namespace {

constexpr std::size_t kLargestFile = 64 * 1024;
constexpr const char* kPlaceLine = "place";

// Up to kLargestFile bytes of a regular file that is no symbolic link.
std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return "";
    struct stat info {};
    std::string bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.resize(kLargestFile);
        std::size_t got = 0;
        for (ssize_t n; got < bytes.size(); got += static_cast<std::size_t>(n)) {
            n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                n = 0;
            else if (n <= 0)
                break;
        }
        bytes.resize(got);
    }
    ::close(fd);
    return bytes;
}

std::optional<long> wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::vector<std::string> tabFields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
        out.push_back(line.substr(from, tab - from));
    out.push_back(line.substr(from));
    return out;
}

// A text that a line of tab-separated fields can hold.
bool fieldSafe(const std::string& text) {
    return text.find_first_of(std::string("\t\n\r\0", 4)) == std::string::npos;
}

std::string eventsText(long n) {
    return n == 1 ? "1 event" : std::to_string(n) + " events";
}

} // namespace

SourceCounts readSourceCounts(const std::string& path) {
    SourceCounts counts;
    std::istringstream in(readSmallFile(path));
    std::string line;
    if (!std::getline(in, line)) return {};
    const std::vector<std::string> place = tabFields(line);
    const auto radius = place.size() == 4 ? wholeNumber(place[3]) : std::nullopt;
    if (place[0] != kPlaceLine || !radius) return {};
    counts.city = place[1];
    counts.region = place[2];
    counts.radius = static_cast<int>(*radius);
    while (std::getline(in, line)) {
        const std::vector<std::string> source = tabFields(line);
        if (source.size() != 2 || source[0].empty()) continue;
        if (const auto n = wholeNumber(source[1])) counts.events[source[0]] = *n;
    }
    return counts;
}

bool writeSourceCounts(const std::string& path, const SourceCounts& counts) {
    if (!fieldSafe(counts.city) || !fieldSafe(counts.region)) return false;
    std::string text = std::string(kPlaceLine) + "\t" + counts.city + "\t" + counts.region + "\t" +
                       std::to_string(counts.radius) + "\n";
    for (const auto& [name, events] : counts.events)
        if (fieldSafe(name)) text += name + "\t" + std::to_string(events) + "\n";
    return writeFileDurably(path, text, 0600);
}

bool answersMayCancel(const ConcertSearchAnswers& answers, const SourceCounts& last,
                      std::vector<std::string>* notes) {
    bool may = !answers.sources.empty();
    for (const ConcertSearchAnswers::Source& s : answers.sources) {
        if (!s.answer.full) {
            may = false;
            continue;
        }
        const auto before = last.events.find(s.name);
        std::string why;
        // An empty answer is suspect unless the source was empty at the last refresh too: then
        // it listed none of the shows before, and could hide none that went (a page of ticketed
        // shows when no gathered show has tickets would otherwise keep every show for good).
        const bool emptyBefore = before != last.events.end() && before->second == 0;
        if (s.answer.events == 0 && !emptyBefore)
            why = s.name + " listed no events";
        else if (before != last.events.end() && s.answer.events * 2 < before->second)
            why = s.name + " listed " + eventsText(s.answer.events) + ", " + eventsText(before->second) +
                  " at the last refresh";
        if (why.empty()) continue;
        may = false;
        if (notes) notes->push_back("Nothing cancelled: " + why + ".");
    }
    return may;
}

SourceCounts countsAfter(const SourceCounts& last, const ConcertSearchAnswers& answers,
                         const std::string& city, const std::string& region, int radius) {
    SourceCounts counts;
    if (last.city == city && last.region == region && last.radius == radius) counts = last;
    counts.city = city;
    counts.region = region;
    counts.radius = radius;
    for (const ConcertSearchAnswers::Source& s : answers.sources)
        if (s.answer.full) counts.events[s.name] = s.answer.events;
    return counts;
}

} // namespace vx
