#pragma once
// The calendar view: what the user looks at, the layout constants, and the screen rectangles of
// everything clickable, filled by each frame and read by the mouse code.
#include "platform/graphics/cg_types.h"
#include "platform/visual_plugin_api.h"

#include <cstdint>
#include <mutex>

class CalGetData;
class PluginData;
struct VisualPluginData;

struct HotSpot {
    Rect rect = {0, 0, 0, 0};
    bool highlighted = false;
};

class CalVis {
  public:
    CalVis(PluginData* root, CalGetData* engine);

    // The shared state and lists the screen shows, and the engine its clicks ask for refreshes.
    PluginData* root;
    CalGetData* engine;
    int32_t curVisMonth;
    int32_t curVisYear;
    int32_t curVisShowListOffset = 0;
    int32_t headerHeight = 15;
    int32_t rowHeight = 55;
    int32_t gridLeft = 240;
    int32_t gridTop = 105;
    int32_t gridRight = 0;
    int32_t gridBottom = 0;
    int32_t listMargin = 18;
    bool listScrollable = false;
    int32_t listContentHeight = 1;
    int32_t thumbLength = 0;
    int32_t thumbPosition = 0;
    int32_t scrollButtonSize = 14;
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    HotSpot nextMonthSpot, prevMonthSpot, citySpot, stateSpot, radiusSpot;
    Rect listAreaRect = {0, 0, 0, 0};
    Rect gridRect = {0, 0, 0, 0};
    Rect scrollUpRect = {0, 0, 0, 0};
    Rect scrollDownRect = {0, 0, 0, 0};
    Rect thumbRect = {0, 0, 0, 0};
    bool thumbDragging = false;
    int32_t dragStartY = 0;
    int32_t dragStartOffset = 0;
    HotSpot upgradeSpot, supportSpot, retrySpot, versionSpot, preferencesSpot, iPhoneAppSpot, androidAppSpot;
    HotSpot tabSpot[3];
    // A month that starts late in the week needs a sixth row of cells.
    static constexpr int kMaxGridCells = 42;
    int32_t gridCells = 35; // cells the last frame drew; the rest hold empty rectangles
    int32_t cellScroll[kMaxGridCells] = {};
    Rect cellUpArrowRect[kMaxGridCells] = {};
    Rect cellDownArrowRect[kMaxGridCells] = {};
    bool cellCanScrollUp[kMaxGridCells] = {};
    bool cellCanScrollDown[kMaxGridCells] = {};
    Rect cellRect[kMaxGridCells] = {};

    // The host record of the visible pane, set by the host handler before every message.
    static VisualPluginData* visualPluginData;
    // Serialises whole frames (the shared data's lock, named here for the drawing code).
    static std::recursive_mutex& renderLock;

    void Render();
    void incrementCurVisMonth();
    void decrementCurVisMonth();
    void setOffsetToMatchCurVisMonth();
    void scroll(int delta);
    void setCurVisShowListOffset(int offset);
    void scrollUp();
    void scrollDown();
};

int getDayOfTheWeek(int day, int month, int year);
// Rows of the month grid: 6 when the days from the Sunday on or before the 1st to the month's
// last day do not fit in five weeks, otherwise 5.
int monthGridWeeks(int month, int year);
void incrementDay(int* day, int* month, int* year);
void decrementDay(int* day, int* month, int* year);
CGRect convertRect(Rect r, const Rect* pane);
CGRect convertStrokeRect(Rect r, const Rect* pane);
