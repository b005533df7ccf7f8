#pragma once
// The version check: tells a plug-in whether a newer version is out.
#include "service/query_params.h"
#include "service/reply.h"
#include "service/service_data.h"

namespace vxs {

// "/current_version.php?VERSION=2.9&OS=MAC": "<current>" when the asking version
// is the announced one or newer; otherwise the newest version and "<message>..</message>".
Reply versionReply(const Query& query, const VersionAnnouncement& announced);

// "X.Y" with two small numbers.
bool parseVersion(const std::string& text, int* major, int* minor);

} // namespace vxs
