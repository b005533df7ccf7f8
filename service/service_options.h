#pragma once
// The command line of voxtrail-service.
#include "service/civil_date.h"
#include "service/gather/gather_options.h"
#include "service/service_data.h"

#include <optional>
#include <string>
#include <vector>

namespace vxs {

struct ServiceOptions {
    std::string host = "127.0.0.1";
    int port = 8460;
    int iplocPort = 8461;
    std::string dataDir;
    std::string dbPath = ":memory:"; // a SQLite file, or a postgresql:// URI
    PostgresSettings postgres;
    // --copy-db FROM TO: copy one store into another and end.
    std::string copyFrom, copyTo;
    std::string feedKeyPath; // empty: beside a database file, or none for one in memory
    std::string logPath;     // empty: standard output
    IpPlace ipPlace;
    VersionAnnouncement version;
    std::vector<std::string> libraries; // --catalog-from-library, in order
    std::string sourcePages;            // --source-pages: folder of scripted source pages
    int startTimeoutSeconds = 30;       // --start-timeout: a start that takes longer ends
    std::optional<CivilDate> today;
    bool focus = true;
    std::string focusCity;   // empty: the IP-location city
    std::string focusRegion; // empty: the IP-location region or country
    StoreLimits accounts;
    GatherOptions gather;
};

// Parses argv; nothing with a message in *error (or "help" for --help).
std::optional<ServiceOptions> parseServiceOptions(int argc, char** argv, std::string* error);

const char* serviceUsage();

} // namespace vxs
