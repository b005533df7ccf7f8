#include "plugin/view/mouse_links.h"

#include "platform/host_services.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/net/query_escape.h"
#include "plugin/net/web_fetch.h"
#include "plugin/view/cal_vis.h"

#include <string>

void openServicePage(CalVis* vis, const char* pathAndQuery) {
    if (!vis || !pathAndQuery) return;
    // Room for the host (255), the scheme and the longest path with a show's link (255).
    char address[1024];
    webServiceURL(address, sizeof address, vis->engine->services.webServiceHost, pathAndQuery);
    if (vx::hostOpenURL(address) == noErr) return;
    // Without a browser the click would otherwise do nothing the user can see.
    const std::string message = std::string("No web browser could be started to open this page:\n") + address;
    vx::hostShowAlert("The page could not be opened", message.c_str(), "OK", nullptr);
}

void openClickThrough(CalVis* vis, const char* showURL) {
    if (!showURL || !showURL[0]) return;
    const std::string path = clickThroughPath(showURL);
    openServicePage(vis, path.c_str());
}
