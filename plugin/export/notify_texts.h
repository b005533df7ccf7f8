#pragma once
// The texts of an upcoming show or album notice, and the script that hands a notice to the
// notification application.
#include "plugin/model/show_list.h"

#include <string>

// "Mar 5, 2008": the English month's three letters, the day without a leading zero, the year.
std::string notifyDateText(int32_t day, int32_t month, int32_t year);
// "venue (location)".
std::string notifyVenueText(const char* venue, const char* location);

enum class NoticeKind { Concert = 0, Album = 1 };

// The notification script for a notice: "Upcoming Concert" with the venue text, or "Upcoming
// Album Release" with the album title. Quotes and backslashes in the texts are escaped, so no
// text can end its quoted part or add to the script.
std::string growlNoticeScript(NoticeKind kind, const char* artist, const char* secondValue,
                              const char* dateText);
// The notification script for a notice of the given name; the description must be escaped
// already (each line ended by "\r").
std::string growlNotifyScript(const char* name, const std::string& description, const char* icon);
