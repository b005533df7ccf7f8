#pragma once
// Small drawing steps in pane coordinates (y down, from the pane's top-left corner), each going
// through convertRect or the same y rule into the y-up context.
#include "platform/graphics/cg_context.h"
#include "platform/visual_plugin_api.h"

struct RGB255 {
    int r, g, b;
};

namespace colour {
constexpr RGB255 black{0, 0, 0};
constexpr RGB255 white{255, 255, 255};
constexpr RGB255 outline{192, 192, 192};   // outlines and hover boxes
constexpr RGB255 disabled{200, 200, 200};  // arrows that cannot be used
constexpr RGB255 inactive{222, 222, 222};  // out-of-month cells, inactive scroll parts
constexpr RGB255 tabIdle{238, 238, 238};   // tabs not selected
constexpr RGB255 secondary{150, 150, 150}; // secondary text
constexpr RGB255 darkGrey{96, 96, 96};     // active arrows, the preferences link
constexpr RGB255 frame{64, 64, 64};        // grid and list frames
constexpr RGB255 selectedBlue{0, 0, 80};   // the user's chosen shows
constexpr RGB255 todayBody{225, 225, 255};
constexpr RGB255 warning{255, 0, 0};
constexpr RGB255 linkRed{250, 20, 20};
constexpr RGB255 thumb{169, 183, 200};
constexpr RGB255 selection{181, 213, 255}; // selected text of a place field
} // namespace colour

extern const char* const kRegularFont; // "Lucida Grande"
extern const char* const kBoldFont;    // "LucidaGrande-Bold"

// A pane rectangle from wide integers, each side held within the 16-bit range.
Rect paneRect(long long top, long long left, long long bottom, long long right);

void setFillColour(CGContextRef ctx, RGB255 c);
void setStrokeColour(CGContextRef ctx, RGB255 c);
void fillPaneRect(CGContextRef ctx, const Rect* pane, const Rect& r, RGB255 c);
void strokePaneRect(CGContextRef ctx, const Rect* pane, const Rect& r, RGB255 c);
void strokePaneLine(CGContextRef ctx, const Rect* pane, int x1, int y1, int x2, int y2, RGB255 c);
void fillPaneTriangle(CGContextRef ctx, const Rect* pane, const int (&xy)[6], RGB255 c);

struct TextStyle {
    int size = 13;
    RGB255 colour = colour::black;
    int align = 0;
    bool underline = false;
    bool bold = false;
};

// macWriteToRect in the given size and colour; a bold item selects the bold face and then puts
// the regular face back at 13, so every item starts from the same font.
void writeText(CGContextRef ctx, const Rect* pane, const char* text, const Rect& box, const TextStyle& style);
