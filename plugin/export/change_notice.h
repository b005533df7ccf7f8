#pragma once
// The one notice of a refresh that found chosen shows moved or cancelled, or new shows of the
// artists the user plays most.
#include "plugin/model/plugin_data.h"

#include <string>
#include <vector>

// The notice's lines: the first five changes, then "and N more" for the rest.
std::vector<std::string> changeNoticeLines(const std::vector<std::string>& changes);

// The plug-in's own window: three rows of a label (the kind of change) and the show.
struct NoticeRow {
    std::string label, value;
};
std::vector<NoticeRow> changeNoticeRows(const std::vector<std::string>& changes);

// Hands the notice to the notification application, or to the plug-in's own window, as the
// user chose; on the host's thread, so it may be called from the update thread.
void notifyShowChanges(PluginData* root, const std::vector<std::string>& changes, const char* webServiceHost);
