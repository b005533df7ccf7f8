#pragma once
// The concert data sources this service stands in for, and the directory that names them.
#include "service/query_params.h"
#include "service/reply.h"
#include "service/service_data.h"

#include <optional>
#include <string>
#include <vector>

namespace vxs {

struct SourceInfo {
    const char* name;
    const char* path; // the source's page on this service
    bool ticketsForSale;
};

const SourceInfo& sourceInfo(int source);

// "/datasources/datasources.php?TODO=GETSITES&CITY=..&STATE=..&RADIUS=..&VERSION=..": one
// "<site ...>URL</site>" line per source that covers the place; host is what the
// URLs start with ("127.0.0.1:8460").
Reply directoryReply(const Query& query, const ServiceData& data, const std::string& host);

// A source's events near "&city=..&state=..&radius=..", one tagged field a line,
// each event closed by a "</event>" line.
Reply sourceReply(int source, const Query& query, ServiceData& data, const std::string& host);

// What a source page is made of once its query has been read: the page is the same for the same
// source, centre, radius, host and list of events.
struct SourcePageRequest {
    const City* centre = nullptr;
    long radius = 0;
};

// Reads a source page's query: a refusal, or the page of a place it does not know, is the reply
// itself; otherwise nothing, and *request is filled in.
std::optional<Reply> readSourcePageRequest(int source, const Query& query, const ServiceData& data,
                                           SourcePageRequest* request);

// The page of a read request, from that list of events.
Reply buildSourcePage(int source, const SourcePageRequest& request, const std::vector<Event>& events,
                      const ServiceData& data, const std::string& host);

} // namespace vxs
