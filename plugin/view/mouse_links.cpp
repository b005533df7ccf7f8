#include "plugin/view/mouse_links.h"

#include "platform/host_services.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/net/web_fetch.h"

#include <string>

void openServicePage(VoxtrailClass* root, const char* pathAndQuery) {
    if (!root || !pathAndQuery) return;
    // Room for the host (255), the scheme and the longest path with a show's link (255).
    char address[1024];
    webServiceURL(address, sizeof address, root->engine.services.webServiceHost, pathAndQuery);
    vx::hostOpenURL(address);
}

void openClickThrough(VoxtrailClass* root, const char* showURL) {
    if (!showURL || !showURL[0]) return;
    const std::string path = std::string(kClickThroughPath) + showURL;
    openServicePage(root, path.c_str());
}
