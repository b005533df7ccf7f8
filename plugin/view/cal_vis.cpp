#include "plugin/view/cal_vis.h"

#include "plugin/model/plugin_data.h"

#include "plugin/view/calendar_data.h"
#include "plugin/view/draw_calendar.h"
#include "plugin/view/render_frame.h"
#include "plugin/view/visual_plugin_data.h"

#include <ctime>
#include <mutex>

VisualPluginData* CalVis::visualPluginData = nullptr;
std::recursive_mutex& CalVis::renderLock = PluginData::renderLock;

CalVis::CalVis(PluginData* owner, CalGetData* engine) : root(owner), engine(engine) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    curVisMonth = local.tm_mon + 1;
    curVisYear = local.tm_year + 1900;
}

void CalVis::Render() {
    // The list pointers are read under the render lock: the update thread swaps and frees them
    // under it.
    std::lock_guard<std::recursive_mutex> frame(renderLock);
    renderCalendarFrame(calendarDataOf(this));
}

void CalVis::scroll(int delta) {
    curVisShowListOffset += delta;
}
void CalVis::setCurVisShowListOffset(int offset) {
    curVisShowListOffset = offset;
}
void CalVis::scrollUp() {
    curVisShowListOffset += 20;
}
void CalVis::scrollDown() {
    curVisShowListOffset -= 20;
}
