#include "service/version_reply.h"

#include <cstdio>
#include <string>

namespace vxs {
namespace {

bool parseSmallNumber(const std::string& text, int* out) {
    if (text.empty() || text.size() > 4) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

} // namespace

bool parseVersion(const std::string& text, int* major, int* minor) {
    std::size_t dot = text.find('.');
    if (dot == std::string::npos) return false;
    return parseSmallNumber(text.substr(0, dot), major) && parseSmallNumber(text.substr(dot + 1), minor);
}

Reply versionReply(const Query& query, const VersionAnnouncement& announced) {
    const std::string* version = query.get("VERSION");
    int major = 0, minor = 0;
    if (!version || !parseVersion(*version, &major, &minor))
        return errorReply(400, "VERSION must read major.minor");
    Reply reply;
    char newest[32];
    std::snprintf(newest, sizeof newest, "%d.%d", announced.major, announced.minor);
    bool current = major > announced.major || (major == announced.major && minor >= announced.minor);
    if (current) {
        reply.body = std::string("<current>") + newest + "</current>\n";
        return reply;
    }
    std::string message = announced.message;
    if (message.empty())
        message = std::string("Voxtrail ") + newest +
                  " is available, with new features and fixes. Download it now?";
    reply.body = std::string("<version>") + newest + "</version>\n<message>" + message + "</message>\n";
    return reply;
}

} // namespace vxs
