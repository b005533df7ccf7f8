#pragma once
// Show records in the preferences file: one line per concert, friend's show or album release.
#include <memory>
#include <string>
#include <string_view>

struct SHOWENTRY;

namespace vx {

enum ShowKind { kConcertLine = 0, kFriendShowLine = 1, kAlbumReleaseLine = 2 };

// The record's line, line feed included.
std::string showLine(const SHOWENTRY& show, ShowKind kind);

struct ParsedShow {
    int kind = -1;
    std::unique_ptr<SHOWENTRY> show;
};

// The record of a line; no show when its kind or date is not a number, or the date is no
// calendar date. The kind is returned as read, also when no list takes it.
ParsedShow parseShowLine(std::string_view line);

} // namespace vx
