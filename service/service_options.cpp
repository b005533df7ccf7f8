#include "service/service_options.h"

#include "service/place_replies.h"
#include "service/version_reply.h"

#include <cstdlib>
#include <cstring>

#ifndef VX_SERVICE_DATA_DIR
#define VX_SERVICE_DATA_DIR "service/data"
#endif

namespace vxs {
namespace {

bool parsePort(const char* text, int* port) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || v < 0 || v > 65535) return false;
    *port = static_cast<int>(v);
    return true;
}

bool parseCount(const char* text, int* count) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || v < 1 || v > 1000000) return false;
    *count = static_cast<int>(v);
    return true;
}

} // namespace

const char* serviceUsage() {
    return "usage: voxtrail-service [options]\n"
           "  --port P                  web service port (0 picks a free one; default 8460)\n"
           "  --iploc-port Q            IP-location page port (0 picks a free one; default 8461)\n"
           "  --host ADDR               address to listen on (default 127.0.0.1)\n"
           "  --data DIR                folder holding cities.tsv\n"
           "  --db FILE                 SQLite database of accounts and shared shows (default in memory)\n"
           "  --db postgresql://USER@HOST:PORT/NAME\n"
           "                            a PostgreSQL database instead, which several services may share;\n"
           "                            the password from PGPASSWORD or ~/.pgpass, never in the URI\n"
           "  --db-connections N        PostgreSQL connections at most (default 8)\n"
           "  --db-timeout-ms N         a PostgreSQL statement's deadline (default 2000)\n"
           "  --copy-db FROM TO         copy every account, show, phone artist, star and feed token from "
           "one\n"
           "                            store (file or URI) into another, empty one, and end\n"
           "  --feed-key FILE           secret key of the calendar feeds' addresses, made (0600) when\n"
           "                            missing; every process on one database needs the same file\n"
           "                            (default FILE.feed-key beside the --db file; a new key per\n"
           "                            run for a database in memory; required with PostgreSQL)\n"
           "  --log FILE                request log, a regular file (default standard output)\n"
           "  --start-timeout S         give up a start (files, database, ports) that takes longer than\n"
           "                            S seconds, with a message and exit status 1 (default 30)\n"
           "  --iploc-country NAME      country the IP-location page reports (default UNITED STATES)\n"
           "  --iploc-region NAME       region it reports (default MASSACHUSETTS)\n"
           "  --iploc-city NAME         city it reports (default BOSTON)\n"
           "  --iploc-delay-ms N        answer the IP-location page after N milliseconds (default 0)\n"
           "  --announce-version X.Y    newest version the version check announces (default 2.9)\n"
           "  --announce-message TEXT   message sent with a newer version\n"
           "  --catalog-from-library F  add the artists of a library file to the catalogue (repeatable)\n"
           "  --today YYYY-MM-DD        generate concerts as if this were the date\n"
           "  --source-pages DIR        each concert source answers with DIR/NAME.txt as it is at the\n"
           "                            request (NAME: ticketline, gigwire); no such file is an outage "
           "(503)\n"
           "  --focus-city NAME         city that draws a share of all shows (default the IP-location city)\n"
           "  --focus-region CODE       its region or country code (location table)\n"
           "  --no-focus                spread shows by city size alone\n"
           "  --max-users-per-installation N\n"
           "                            accounts one installation (UUID) may register, each of sharing\n"
           "                            and phone (default 10)\n"
           "  --max-new-users-per-minute N\n"
           "                            new accounts one client address may register a minute (default 10)\n"
           "  --sources FILE            gather real shows from the sources FILE lists, one a line:\n"
           "                            KIND URL [| CITY, REGION] with KIND ics, jsonld or musicbrainz;\n"
           "                            the first round at start-up, then every interval\n"
           "  --check-sources FILE      fetch each source of FILE once, print its shows and skipped\n"
           "                            entries with the reasons, and end (status 1 when one failed)\n"
           "  --gathered-shows MODE     beside (default): gathered and generated shows in the pages;\n"
           "                            only: gathered shows alone (in the phone app's lists too)\n"
           "  --gather-interval-minutes N   each source again after N minutes, give or take a tenth\n"
           "                            (default 360)\n"
           "  --gather-host-gap-ms N    at most one request to a host per N ms (default 1000)\n"
           "  --gather-deadline-ms N    a source's whole answer within N ms (default 60000)\n"
           "  --gather-max-bytes N      a source's body at most N bytes (default 16777216)\n"
           "  --gather-contact URL      the contact the User-Agent names\n"
           "\n"
           "Phones open the web app at http://HOST:PORT/app/ and sign in with a phone sync account; the\n"
           "shows starred there are in the account's calendar feed, http://HOST:PORT/app/feed/TOKEN.ics.\n";
}

std::optional<ServiceOptions> parseServiceOptions(int argc, char** argv, std::string* error) {
    ServiceOptions o;
    o.dataDir = VX_SERVICE_DATA_DIR;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            *error = "help";
            return std::nullopt;
        }
        if (arg == "--no-focus") {
            o.focus = false;
            continue;
        }
        if (arg == "--copy-db") {
            if (i + 2 >= argc) {
                *error = "--copy-db needs FROM and TO";
                return std::nullopt;
            }
            o.copyFrom = argv[++i];
            o.copyTo = argv[++i];
            continue;
        }
        if (i + 1 >= argc) {
            *error = "missing value after " + arg;
            return std::nullopt;
        }
        const char* value = argv[++i];
        if (arg == "--port" || arg == "--iploc-port") {
            if (!parsePort(value, arg == "--port" ? &o.port : &o.iplocPort)) {
                *error = arg + " needs a port number from 0 to 65535";
                return std::nullopt;
            }
        } else if (arg == "--host") {
            o.host = value;
        } else if (arg == "--data") {
            o.dataDir = value;
        } else if (arg == "--db") {
            o.dbPath = value;
        } else if (arg == "--feed-key") {
            o.feedKeyPath = value;
        } else if (arg == "--db-connections") {
            if (!parseCount(value, &o.postgres.maxConnections) || o.postgres.maxConnections > 1000) {
                *error = "--db-connections needs a number from 1 to 1000";
                return std::nullopt;
            }
        } else if (arg == "--db-timeout-ms") {
            int ms = 0;
            if (!parseCount(value, &ms) || ms > 600000) {
                *error = "--db-timeout-ms needs a number of milliseconds from 1 to 600000";
                return std::nullopt;
            }
            o.postgres.statementTimeout = std::chrono::milliseconds(ms);
        } else if (arg == "--start-timeout") {
            if (!parseCount(value, &o.startTimeoutSeconds) || o.startTimeoutSeconds > 3600) {
                *error = "--start-timeout needs a number of seconds from 1 to 3600";
                return std::nullopt;
            }
        } else if (arg == "--log") {
            o.logPath = value;
        } else if (arg == "--iploc-country" || arg == "--iploc-region" || arg == "--iploc-city") {
            if (!validIpPlaceText(value)) {
                *error = arg + " needs a name without commas or markup";
                return std::nullopt;
            }
            (arg == "--iploc-country"  ? o.ipPlace.country
             : arg == "--iploc-region" ? o.ipPlace.region
                                       : o.ipPlace.city) = value;
        } else if (arg == "--iploc-delay-ms") {
            char* end = nullptr;
            const long ms = std::strtol(value, &end, 10);
            if (!*value || *end != '\0' || ms < 0 || ms > 60000) {
                *error = "--iploc-delay-ms needs a number of milliseconds from 0 to 60000";
                return std::nullopt;
            }
            o.ipPlace.delayMs = static_cast<int>(ms);
        } else if (arg == "--announce-version") {
            if (!parseVersion(value, &o.version.major, &o.version.minor)) {
                *error = "--announce-version needs X.Y";
                return std::nullopt;
            }
        } else if (arg == "--announce-message") {
            if (std::strstr(value, "</message>") || std::strlen(value) > 500) {
                *error = "--announce-message must be short and must not hold </message>";
                return std::nullopt;
            }
            o.version.message = value;
        } else if (arg == "--catalog-from-library") {
            o.libraries.push_back(value);
        } else if (arg == "--today") {
            o.today = parseIsoDate(value);
            if (!o.today) {
                *error = "--today needs a date YYYY-MM-DD";
                return std::nullopt;
            }
        } else if (arg == "--source-pages") {
            o.sourcePages = value;
        } else if (arg == "--focus-city") {
            o.focusCity = value;
        } else if (arg == "--focus-region") {
            o.focusRegion = value;
        } else if (arg == "--max-users-per-installation" || arg == "--max-new-users-per-minute") {
            if (!parseCount(value, arg == "--max-users-per-installation"
                                       ? &o.accounts.maxUsersPerInstallation
                                       : &o.accounts.maxNewUsersPerAddressPerMinute)) {
                *error = arg + " needs a number from 1 to 1000000";
                return std::nullopt;
            }
        } else if (OptionRead read = readGatherOption(arg, value, &o.gather, error);
                   read != OptionRead::NotMine) {
            if (read == OptionRead::Bad) return std::nullopt;
        } else {
            *error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return o;
}

} // namespace vxs
