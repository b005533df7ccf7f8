#pragma once
// A small, forgiving reader of XML property lists (library files, bundle Info.plist files).
// It keeps what it could read and stops quietly at anything it does not understand.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx::player {

struct PlistValue {
    enum class Kind { Scalar, Dict, Array };
    Kind kind = Kind::Scalar;
    std::string tag;  // element name of a scalar: "string", "integer", "true", ...
    std::string text; // a scalar's text with the entities decoded
    std::vector<std::pair<std::string, std::unique_ptr<PlistValue>>> entries; // a dict, in file order
    std::vector<std::unique_ptr<PlistValue>> items;                           // an array

    // The value under key in a dict, or null (first one when a key repeats).
    const PlistValue* find(std::string_view key) const;
    // The text of the scalar under key, or "" when absent or not a scalar.
    std::string textOf(std::string_view key) const;
};

// The document's top value (normally a dict); null when no value could be read at all.
std::unique_ptr<PlistValue> parsePlist(std::string_view xml);

// Called for every dict entry as soon as its value is read, with the keys leading to that dict
// from the top value (an array's items add an empty key). Returning true takes the entry: the
// dict does not keep it. So a large document can be read one record at a time.
using PlistEntrySink = std::function<bool(const std::vector<std::string>& path, const std::string& key,
                                          std::unique_ptr<PlistValue>& value)>;
std::unique_ptr<PlistValue> parsePlist(std::string_view xml, const PlistEntrySink& sink);

// Fills up to `room` bytes at `into` with the document's next bytes; 0 at its end.
using PlistBlockReader = std::function<std::size_t(char* into, std::size_t room)>;
// The same reading from a document read a block at a time, holding little more than a block.
std::unique_ptr<PlistValue> parsePlist(const PlistBlockReader& read, const PlistEntrySink& sink);

// Decodes the five named entities and numeric character references; unknown ones stay as written.
std::string decodeXmlText(std::string_view raw);

} // namespace vx::player
