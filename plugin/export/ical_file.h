#pragma once
// The iCal file of systems before 10.5: an iCalendar text that iCal reads as a calendar of its
// own, in a folder that an "Info.plist" describes.
#include "common/ical_event.h"
#include "plugin/export/exported_shows.h"
#include "plugin/model/plugin_data.h"

#include <string>

constexpr const char* kiCalDescriptionName = "Info.plist";
constexpr const char* kiCalIndexName = "Index";

// The folder's description, each line ended by a line feed.
std::string iCalFolderDescription();

// Appends shows' VEVENTs, valid iCalendar with each line ended by CRLF; nothing for a date that
// does not exist. Texts are escaped, so no value can add lines or properties of its own. One
// writer serves a whole export, its texts' room kept from one show to the next.
class iCalFileEvents {
  public:
    explicit iCalFileEvents(const char* webServiceHost);
    // Under the show's UID, or a new one when it has none.
    void append(std::string& text, const ExportedShow& show);

  private:
    std::string clickThrough_;
    std::string newUid_, location_, url_, description_;
};

// With export on: makes the folder of iCalLoc (with every missing level) and, when withDescription,
// its description unless one is there. With export off: removes an exported file and, when the
// folder holds our description, its "Index", the description and the folder once empty. 0 when the
// export may go ahead (or there was nothing to remove); -1 when iCalLoc holds no "/", or the folder
// or the description cannot be made.
int prepareiCalFolder(const char* iCalLoc, bool exportOn, bool withDescription);

// Puts text at path in one step: written to a new file beside it and renamed over it, so a reader
// sees the old file or the new one. An existing file we may not write is left as it is. False
// when nothing was replaced.
bool replaceFileWhole(const std::string& path, const std::string& text);

// Writes the exported shows to the iCal location, replacing what was there. Returns 0.
int performExportTo_iCal(PluginData* root, const char* webServiceHost, bool wholeListOnly = false);
