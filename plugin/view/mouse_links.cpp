#include "plugin/view/mouse_links.h"

#include "platform/host_services.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/net/web_fetch.h"
#include "plugin/view/cal_vis.h"

#include <string>

void openServicePage(CalVis* vis, const char* pathAndQuery) {
    if (!vis || !pathAndQuery) return;
    // Room for the host (255), the scheme and the longest path with a show's link (255).
    char address[1024];
    webServiceURL(address, sizeof address, vis->engine->services.webServiceHost, pathAndQuery);
    vx::hostOpenURL(address);
}

void openClickThrough(CalVis* vis, const char* showURL) {
    if (!showURL || !showURL[0]) return;
    const std::string path = std::string(kClickThroughPath) + showURL;
    openServicePage(vis, path.c_str());
}
