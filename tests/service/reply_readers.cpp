#include "tests/service/reply_readers.h"

bool textBetween(const std::string& text, const std::string& open, const std::string& close,
                 std::string* out) {
    std::size_t a = text.find(open);
    if (a == std::string::npos) return false;
    std::size_t b = text.find(close, a + open.size());
    if (b == std::string::npos) return false;
    *out = text.substr(a + open.size(), b - a - open.size());
    return true;
}

Directory readDirectory(const std::string& reply) {
    Directory d;
    for (std::size_t p = reply.find("<site"); p != std::string::npos; p = reply.find("<site", p + 1))
        ++d.siteCount;
    std::size_t start = reply.find("<site");
    while (start != std::string::npos) {
        std::size_t end = reply.find("</site>", start);
        if (end == std::string::npos) break;
        std::string entry = reply.substr(start, end - start);
        DirectoryEntry e;
        e.tickets = entry.find("ticket=1") != std::string::npos;
        std::size_t gt = entry.find('>');
        e.url = gt == std::string::npos ? std::string() : entry.substr(gt + 1);
        d.entries.push_back(e);
        start = reply.find("<site", end);
    }
    return d;
}

SourceEvents readSourceEvents(const std::string& reply) {
    SourceEvents result;
    SourceEvent current;
    std::size_t pos = 0;
    for (;;) {
        std::size_t nl = reply.find('\n', pos);
        if (nl == std::string::npos) break; // a last line without a line feed is not read
        std::string line = reply.substr(pos, nl - pos);
        pos = nl + 1;
        std::string v;
        if (textBetween(line, "<artist>", "</artist>", &v)) current.performers.push_back(v);
        if (textBetween(line, "<event_date>", "</event_date>", &v)) current.date = v;
        if (textBetween(line, "<venue_name>", "</venue_name>", &v)) current.venue = v;
        if (textBetween(line, "<event_url>", "</event_url>", &v)) current.url = v;
        if (textBetween(line, "<venue_city>", "</venue_city>", &v)) current.city = v;
        if (textBetween(line, "<venue_state>", "</venue_state>", &v)) current.state = v;
        if (line.find("</event>") != std::string::npos) {
            bool complete = !current.performers.empty() && !current.date.empty() && !current.venue.empty() &&
                            !current.url.empty() && !current.city.empty() && !current.state.empty();
            if (complete)
                result.complete.push_back(current);
            else
                ++result.incomplete;
            current = SourceEvent{};
        }
    }
    return result;
}
