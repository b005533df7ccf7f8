#pragma once
// What khal lists of one vdir calendar between two dates, one "date title @ location" line an
// event, with its error output: read through a config and a database of its own in `workFolder`.
#include <cstdio>
#include <fstream>
#include <string>

inline std::string khalListing(const std::string& calendarFolder, const std::string& workFolder,
                               const std::string& from, const std::string& to) {
    const std::string config = workFolder + "/khal.conf";
    std::ofstream(config, std::ios::binary)
        << "[calendars]\n[[voxtrail]]\npath = " << calendarFolder
        << "\ntype = calendar\n[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\n"
           "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
           "longdatetimeformat = %Y-%m-%d %H:%M\n[sqlite]\npath = "
        << workFolder << "/khal.db\n";
    const std::string command = "LC_ALL=C.UTF-8 khal -c '" + config +
                                "' list --format '{start-date} {title} @ {location}' --day-format '' " +
                                from + " " + to + " 2>&1";
    std::string listed;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p))
            listed.append(buf, n);
        pclose(p);
    }
    return listed;
}
