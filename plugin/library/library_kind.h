#pragma once
// Which library a file holds, told by its first bytes rather than its name: the user may have
// renamed or copied either kind.
#include <string_view>

namespace vx {

enum class LibraryKind { plist, rhythmdb };

// The kind of the text that starts a file: the one whose root element comes first. Anything
// else is read as a plist, whose reader takes what it can from any text.
LibraryKind libraryKindOfStart(std::string_view start);
// The kind of the file at path, from its first few kilobytes.
LibraryKind libraryKindOf(const char* path);

} // namespace vx
