#pragma once
// Inside the HTTP client: the fields of a reply's header, found by their whole name in any
// letter case, and the target of a redirect, resolved against the address that was asked.
#include <optional>
#include <string>
#include <string_view>

// The value of the first field named name (without its colon) in header, the status line
// excepted: blanks around it removed. None when no line starts with that name and a colon.
std::optional<std::string_view> httpHeaderField(std::string_view header, std::string_view name);

// True when the last coding a Transfer-Encoding value lists is "chunked".
bool httpIsChunked(std::string_view transferEncoding);

// The absolute address a Location value points to from the address base ("scheme://host/path",
// or "host/path" as the client accepts it): an absolute value, or one starting "host:port", as
// it is; "//host/..." with base's scheme; "/path" on base's host; any other value relative to
// base's folder, its "." and ".." segments resolved.
std::string httpResolveRedirect(std::string_view base, std::string_view location);
