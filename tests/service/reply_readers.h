#pragma once
// Readers of the service's replies that follow the plug-in's reading rules to
// the letter, so a test fails when a reply would be misread by the plug-in.
#include <string>
#include <vector>

struct DirectoryEntry {
    bool tickets = false;
    std::string url;
};

struct Directory {
    int siteCount = 0; // occurrences of "<site"
    std::vector<DirectoryEntry> entries;
};

Directory readDirectory(const std::string& reply);

struct SourceEvent {
    std::vector<std::string> performers;
    std::string date, venue, url, city, state;
};

struct SourceEvents {
    std::vector<SourceEvent> complete;
    int incomplete = 0; // "</event>" lines that closed an event lacking a field
};

SourceEvents readSourceEvents(const std::string& reply);

// The text between the first open tag and the first close tag behind it; false when either is missing.
bool textBetween(const std::string& text, const std::string& open, const std::string& close,
                 std::string* out);
