#pragma once
// The field syntax of the preferences file: one record per line, fields ended by "@@", numbers
// as decimal text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// The line cut at every "@@". The last piece is what follows the last "@@" (empty when the line
// ends with one), so a line of n terminated fields gives n + 1 pieces.
std::vector<std::string_view> splitFields(std::string_view line);

// A decimal number as "%d" reads it: blanks, an optional sign, digits. With whole, nothing may
// follow the digits. False when there are no digits or the value leaves the 32-bit range.
bool readDecimal(std::string_view text, int32_t& value, bool whole = true);

// A finite floating-point number filling the whole text, read the same in every locale.
bool readReal(std::string_view text, double& value);
// "%e" of the value, written the same in every locale.
std::string realText(double value);

// The text with line breaks and other control bytes (tabs aside) turned into blanks, so that a
// text filling a whole line cannot break its record.
std::string oneLine(const char* text);

// A text as it is written into a field ended by "@@": as oneLine, and every "@" that only blanks
// part from another "@" or from the field's end gets one blank more, so that no "@@" appears
// inside a field. "Band@@Name" is written "Band@ @Name"; fieldText takes the blank out again.
// Any text without such an "@" is written as it is, so files written before read the same.
std::string fieldValue(const char* text);
// The same, appended to out.
void appendFieldValue(std::string& out, std::string_view text);

// False when the text holds a control byte other than a tab: no setting or show holds one, so
// such a field is damage, not a value.
bool isReadableText(std::string_view text);

// Dates outside the calendar would index past the month and day tables of the display.
bool isCalendarDate(int32_t year, int32_t month, int32_t day);

// The text a field written by fieldValue holds, for the state store's setters (which cut to
// capacity).
std::string fieldText(std::string_view field);

} // namespace vx
