#include "plugin/export/notify_texts.h"

#include "platform/graphics/bundle_resources.h"
#include "platform/growl_script.h"

#include <cstdio>

std::string notifyDateText(int32_t day, int32_t month, int32_t year) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "";
    char text[64];
    std::snprintf(text, sizeof text, "%s %d, %d", name, static_cast<int>(day), static_cast<int>(year));
    return text;
}

std::string notifyVenueText(const char* venue, const char* location) {
    return std::string(venue ? venue : "") + " (" + (location ? location : "") + ")";
}

namespace {

// The icons of the bundle that holds this code: the user's own copy, or the system's when only
// that one is installed. Outside a bundle (a test program), where the user's copy would be.
std::string iconFolder() {
    const std::string folder = vx::ownBundleResourceFolder("com.Voxtrail.Voxtrail");
    return folder.empty() ? "~/Library/iTunes/iTunes Plug-ins/Voxtrail.bundle/Contents/Resources/"
                          : folder + "/";
}

} // namespace

std::string growlNotifyScript(const char* name, const std::string& description, const char* icon) {
    std::string s;
    s += "tell application \"System Events\"\n";
    s += "\tset bGrowlIsRunning to (count of (every process whose name is \"GrowlHelperApp\")) > 0\n";
    s += "\tif bGrowlIsRunning is true then\n";
    s += "tell application \"GrowlHelperApp\"\n";
    s += std::string("notify with name \"") + name + "\" title \"" + name + "\" description \"";
    s += description;
    s += "\" application name \"Voxtrail\" image from location \"";
    s += vx::appleScriptStringContent(iconFolder() + icon);
    s += "\"\n";
    s += "end tell\n";
    s += " end if\n";
    s += "end tell";
    return s;
}

std::string growlNoticeScript(NoticeKind kind, const char* artist, const char* secondValue,
                              const char* dateText) {
    const bool concert = kind == NoticeKind::Concert;
    const char* name = concert ? "Upcoming Concert" : "Upcoming Album Release";
    const char* secondLabel = concert ? "Venue:" : "Album:";
    const char* icon = concert ? "Voxtrail_icon_blue.png" : "Voxtrail_icon_purple.png";
    auto quoted = [](const char* t) { return vx::appleScriptStringContent(t ? t : ""); };
    const std::string description = "Artist: " + quoted(artist) + "\r" + secondLabel + " " +
                                    quoted(secondValue) + "\r" + "Date: " + quoted(dateText) + "\r";
    return growlNotifyScript(name, description, icon);
}
