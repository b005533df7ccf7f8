#pragma once
// The calendar screen, drawn in one pass that also records every rectangle the mouse code
// hit-tests. Callers hold the list locks (CalVis::Render does).
#include "platform/graphics/cg_context.h"
#include "platform/visual_plugin_api.h"
#include "plugin/view/calendar_data.h"

class CalVis;

void drawCalendar(CGContextRef ctx, Rect* pane, CalVis* vis);
void drawCalendarFrame(CGContextRef ctx, Rect* pane, const CalendarData& data);
