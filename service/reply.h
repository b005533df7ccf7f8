#pragma once
// What an endpoint answers: a status and a plain-text body.
#include <string>
#include <utility>
#include <vector>

namespace vxs {

struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    std::string location; // for a redirect
    std::vector<std::pair<std::string, std::string>> headers = {};
};

// A refusal the plug-in and a person can both read: "VoxtrailError: " and the reason.
inline Reply errorReply(int status, const std::string& reason) {
    return Reply{status, "VoxtrailError: " + reason + "\n", "text/plain", ""};
}

} // namespace vxs
