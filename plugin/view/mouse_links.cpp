#include "plugin/view/mouse_links.h"

#include "plugin/engine/user_actions.h"
#include "plugin/view/cal_vis.h"

void openServicePage(CalVis* vis, const char* pathAndQuery) {
    if (vis) openWebServicePage(*vis->engine, pathAndQuery);
}

void openClickThrough(CalVis* vis, const char* showURL) {
    if (vis) openShowClickThrough(*vis->engine, showURL);
}
