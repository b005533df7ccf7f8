#include "plugin/engine/cal_get_data.h"

#include "common/fixed_text.h"
#include "platform/host_services.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/web_fetch.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {
// What the service said; none when it could not be asked.
struct VersionReply {
    bool current = false;
    std::string message;
};

std::string between(const char* page, const char* open, const char* close) {
    const int start = strFind(page, open, 0);
    if (start < 0) return "";
    const int from = start + static_cast<int>(std::char_traits<char>::length(open));
    const int end = strFind(page, close, from);
    const std::string text(page + from, end < 0 ? std::char_traits<char>::length(page + from)
                                                : static_cast<std::size_t>(end - from));
    return text;
}
} // namespace

void CalGetData::checkForVersionUpdate() {
    ProtectedData& st = root->state;
    VersionReply reply;
    {
        std::lock_guard<std::recursive_mutex> held(web.webLock);
        web.fetchReferer[0] = '\0';
        char path[128];
        std::snprintf(path, sizeof path, "/current_version.php?VERSION=%d.%d&OS=MAC", kProgramMajorVersion,
                      kProgramMinorVersion);
        webServiceURL(web.fetchURL, sizeof web.fetchURL, web.services.webServiceHost, path);
        // Start-up waits for this answer, so a stalled service may not hold it for long.
        if (web.getURL(kVersionCheckSeconds) != 0 || !web.fetchPage) return;
        reply.current = strFind(web.fetchPage, "<current>", 0) >= 0;
        if (!reply.current && strFind(web.fetchPage, "<message>", 0) >= 0)
            reply.message = between(web.fetchPage, "<message>", "</message>");
    }
    if (reply.current) {
        st.setVoxtrail_version_update(false);
    } else {
        st.setVoxtrail_version_update(true);
        st.setUpdateMessage(reply.message.c_str());
    }
    char message[512];
    st.getUpdateMessage(message);
    if (st.getVoxtrail_version_update() && message[0]) {
        if (vx::hostShowAlert("New Voxtrail Version Available", message, "Download", "Cancel") ==
            kVxAlertDefaultButton) {
            char url[1024];
            webServiceURL(url, sizeof url, web.services.webServiceHost,
                          "/download/download_mac_redirect.php");
            vx::hostOpenURL(url);
        }
    }
    genPref();
}
