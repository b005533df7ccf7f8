#include "plugin/services/friend_shows.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/web_fetch.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr std::string_view kSeparator = "@@";

// A field as "%d" reads it: blanks, an optional sign, then at least one digit; the rest of the
// field is ignored. Values beyond int are not dates and read as failures.
bool readNumberField(std::string_view field, int32_t& value) {
    std::size_t i = 0;
    while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i])))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    if (i >= field.size() || !std::isdigit(static_cast<unsigned char>(field[i]))) return false;
    long long n = 0;
    for (; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i) {
        n = n * 10 + (field[i] - '0');
        if (n > INT_MAX) return false;
    }
    value = static_cast<int32_t>(negative ? -n : n);
    return true;
}

bool isCalendarDay(int32_t year, int32_t month, int32_t day) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    if (month == 2 && day == 29) return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1];
}

template <std::size_t N> void copyField(char (&dst)[N], std::string_view field) {
    const std::string text(field.substr(0, N - 1));
    vx::copyText(dst, text.c_str());
}

} // namespace

void friendShowsRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* username) {
    char name[256];
    vx::copyText(name, username);
    escapeQueryValue(name, sizeof name);
    char query[kFetchURLCapacity];
    std::snprintf(query, sizeof query, "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=%s", name);
    webServiceURL(url, capacity, serviceHost, query);
}

bool friendReplyRefused(const char* reply) {
    return reply && std::strstr(reply, "VoxtrailError") != nullptr;
}

bool readFriendEvent(std::string_view text, SHOWENTRY& show) {
    text = text.substr(0, kFriendEventCapacity);
    std::string_view fields[8];
    std::size_t from = 0;
    for (std::string_view& field : fields) {
        const std::size_t at = text.find(kSeparator, from);
        if (at == std::string_view::npos) return false;
        field = text.substr(from, at - from);
        from = at + kSeparator.size();
    }
    int32_t year = 0, month = 0, day = 0;
    if (!readNumberField(fields[0], year) || !readNumberField(fields[1], month) ||
        !readNumberField(fields[2], day) || !isCalendarDay(year, month, day))
        return false;
    show.year = year;
    show.month = month;
    show.day = day;
    show.ticketsAvailable = fields[3] == "1";
    copyField(show.artist, fields[4]);
    copyField(show.venue, fields[5]);
    copyField(show.location, fields[6]);
    copyField(show.url, fields[7]);
    // The service ends every event with a line feed before "</event>": not part of the names.
    const std::size_t end = text.size() - 1;
    copyField(show.otherArtists, from < end ? text.substr(from, end - from) : std::string_view());
    return true;
}

void readFriendShows(const char* reply, const char* friendName,
                     const std::function<void(std::unique_ptr<SHOWENTRY>)>& take) {
    if (!reply) return;
    const std::string_view page(reply);
    constexpr std::string_view kOpen = "<event>", kClose = "</event>";
    std::size_t at = 0;
    std::size_t taken = 0;
    while (taken < SHOWLIST::kMostShows && (at = page.find(kOpen, at)) != std::string_view::npos) {
        const std::size_t start = at + kOpen.size();
        std::size_t end = page.find(kClose, start);
        if (end == std::string_view::npos) end = page.size();
        auto show = std::make_unique<SHOWENTRY>();
        if (readFriendEvent(page.substr(start, end - start), *show)) {
            show->nameList->add(new FRIENDNAME(friendName));
            take(std::move(show));
            ++taken;
        }
        at = end;
    }
}
