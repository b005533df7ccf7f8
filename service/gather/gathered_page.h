#pragma once
// The gathered shows' lines in a concert source page. A show with a ticket page is listed by the
// source that sells tickets, any other by the one that does not, so that each is listed once.
#include "service/city_table.h"
#include "service/gather/gathered_shows.h"

#include <string>
#include <vector>

namespace vxs {

// Appends the events within radius miles of centre to *body; returns how many.
int appendGatheredShows(bool ticketSource, const City& centre, long radius,
                        const std::vector<ServedShow>& shows, std::string* body);

// Field text that cannot open or close a tag nor end a line: the page is read line by line and
// tag by tag, without entities, so markup characters are dropped and line breaks become blanks.
std::string pageField(std::string_view text);

} // namespace vxs
