#include "service/gather/gather_options.h"

#include <cstdlib>

namespace vxs {
namespace {

bool wholeNumber(const char* text, long low, long high, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

} // namespace

OptionRead readGatherOption(const std::string& name, const char* value, GatherOptions* options,
                            std::string* error) {
    long n = 0;
    auto bad = [&](const std::string& why) {
        *error = name + " " + why;
        return OptionRead::Bad;
    };
    if (name == "--sources") {
        options->sourcesPath = value;
    } else if (name == "--check-sources") {
        options->checkSourcesPath = value;
    } else if (name == "--gathered-shows") {
        const std::string v = value;
        if (v != "beside" && v != "only") return bad("needs beside or only");
        options->gatheredOnly = v == "only";
    } else if (name == "--gather-interval-minutes") {
        if (!wholeNumber(value, 1, 7 * 24 * 60, &n)) return bad("needs a number of minutes from 1 to 10080");
        options->interval = std::chrono::minutes(n);
    } else if (name == "--gather-host-gap-ms") {
        if (!wholeNumber(value, 0, 600000, &n)) return bad("needs a number of milliseconds from 0 to 600000");
        options->hostGap = std::chrono::milliseconds(n);
    } else if (name == "--gather-deadline-ms") {
        if (!wholeNumber(value, 100, 600000, &n))
            return bad("needs a number of milliseconds from 100 to 600000");
        options->deadlineMs = n;
    } else if (name == "--gather-max-bytes") {
        if (!wholeNumber(value, 1024, 1L << 30, &n))
            return bad("needs a number of bytes from 1024 to 1073741824");
        options->maxBytes = static_cast<std::size_t>(n);
    } else if (name == "--gather-contact") {
        const std::string v = value;
        if (v.empty() || v.size() > 200 || v.find_first_of(" \r\n()") != std::string::npos)
            return bad("needs one URL or address without blanks");
        options->contactUrl = v;
    } else {
        return OptionRead::NotMine;
    }
    return OptionRead::Read;
}

std::string gatherUserAgent(const GatherOptions& options) {
    return "voxtrail-service/2.9 (+" + options.contactUrl + ")";
}

} // namespace vxs
