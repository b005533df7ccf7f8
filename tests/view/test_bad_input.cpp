// Frames drawn from what the screen may be handed: panes down to the host's 64 x 64 minimum,
// texts filling their whole capacity with bytes of any value, and lists of thousands of shows.
#include "plugin/view/draw_calendar.h"
#include "tests/view/pixel_frame.h"
#include "tests/view/view_fixture.h"

#include <cstring>
#include <string>
#include <utility>

namespace {
class BadInput : public ViewFixture {
  protected:
    BadInput() { showMonth(9, 2023); }
    std::unique_ptr<PixelFrame> draw(int width, int height) {
        auto f = std::make_unique<PixelFrame>(width, height);
        Rect pane = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        drawCalendarFrame(f->ctx, &pane, data);
        f->finish();
        return f;
    }
    // Fills every text of an entry to capacity - 1 with the given byte pattern.
    static void fillTexts(SHOWENTRY* e, const std::string& pattern) {
        auto fill = [&](char* field, std::size_t capacity) {
            for (std::size_t i = 0; i + 1 < capacity; ++i)
                field[i] = pattern[i % pattern.size()];
            field[capacity - 1] = '\0';
        };
        fill(e->artist, sizeof e->artist);
        fill(e->venue, sizeof e->venue);
        fill(e->location, sizeof e->location);
        fill(e->otherArtists, sizeof e->otherArtists);
        fill(e->url, sizeof e->url);
    }
};

std::string highBytes() {
    std::string s;
    for (int b = 128; b < 256; ++b)
        s += char(b);
    return s + "\xC3\xB6\xE2\x82";
}
} // namespace

TEST_F(BadInput, SmallPanesDrawWithoutFailingAndBelowTheLayoutsSmallestAPlainNotice) {
    for (int i = 0; i < 40; ++i) {
        SHOWENTRY* e = add(concerts, ("Band " + std::to_string(i)).c_str(), 1 + i % 30, 9, 2023);
        e->ticketsAvailable = i % 2;
        e->selected = i % 3 == 0;
        e->hovered = i == 7;
    }
    add(friendShows, "Pal", 3, 9, 2023);
    state.setUpdatingFriends(true);
    state.setValid_internet_connection(false);
    state.setRestartingSearch(true);
    const int sizes[][2] = {{64, 64}, {65, 64}, {100, 70}, {239, 104}, {262, 143}, {64, 2000}, {3000, 64}};
    for (const auto& size : sizes) {
        for (int tab = 0; tab < 3; ++tab) {
            state.setCurCalTab(tab);
            view.curVisShowListOffset = -100000;
            auto f = draw(size[0], size[1]);
            SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]));
            const int cw = (size[0] - 261) / 7, ch = (size[1] - 142) / 5;
            EXPECT_EQ(view.gridRight, 243 + 7 * cw);
            EXPECT_EQ(view.gridBottom, 124 + 5 * ch);
            EXPECT_LE(view.curVisShowListOffset, 0);
            EXPECT_EQ(f->rgb(size[0] - 1, size[1] - 1) >> 24, 0u);
        }
    }
    // Below the smallest pane the layout holds: a plain notice, and nothing an earlier, larger
    // frame recorded takes a click.
    view.curVisShowListOffset = 0;
    state.setCurCalTab(0);
    draw(800, 600);
    ASSERT_NE(view.citySpot.rect.right, 0);
    ASSERT_TRUE(concerts.head->inList);
    for (const auto& size : {std::pair{785, 600}, std::pair{800, 399}, std::pair{100, 80}}) {
        auto f = draw(size.first, size.second);
        SCOPED_TRACE(std::to_string(size.first) + " x " + std::to_string(size.second));
        EXPECT_EQ(view.citySpot.rect.right + view.tabSpot[1].rect.right + view.cellRect[10].right, 0);
        for (SHOWENTRY* e = concerts.head; e; e = e->next)
            EXPECT_FALSE(e->inList || e->inCell);
        // The notice's text, in the middle band only.
        const int w = size.first, h = size.second;
        EXPECT_GT(f->inked(0, h / 2 - 24, w, h / 2 + 24), 50);
        EXPECT_EQ(f->inked(0, 0, w, h / 2 - 24) + f->inked(0, h / 2 + 24, w, h), 0);
    }
    draw(786, 400);
    EXPECT_NE(view.citySpot.rect.right, 0) << "the smallest pane that holds the layout draws it";
}

TEST_F(BadInput, FullCapacityTextsStayInsideTheirBoxes) {
    SHOWENTRY* e = add(concerts, "placeholder", 13, 9, 2023);
    fillTexts(e, "W");
    for (int i = 0; i < 300; ++i)
        e->nameList->add(
            new FRIENDNAME(std::string(63, char('a' + i % 26)).append(std::to_string(i)).c_str()));
    e->hovered = true;
    e->ticketsAvailable = true;
    state.setCurCityDisplay(std::string(255, 'M').c_str());
    state.setUpdatingCity(true);
    auto f = draw(1280, 800);
    // Between the list's right edge (222) and the grid (240) nothing is drawn for one short list.
    EXPECT_EQ(f->inked(223, 125, 239, 700), 0);
    // The detail panel's texts end inside the panel, left of gridRight - 200.
    EXPECT_EQ(f->inked(1059, 22, 1140, 49), 0);
    EXPECT_TRUE(e->inCell);
    EXPECT_TRUE(e->inList);
}

TEST_F(BadInput, BytesAboveAsciiAreDrawn) {
    SHOWENTRY* e = add(concerts, "placeholder", 13, 9, 2023);
    fillTexts(e, highBytes());
    FRIENDNAME* odd = new FRIENDNAME;
    std::memset(odd->name, 0xFF, sizeof odd->name - 1);
    e->nameList->add(odd);
    e->hovered = true;
    state.setCurStateDisplay(highBytes().substr(0, 200).c_str());
    auto f = draw(1280, 800);
    EXPECT_GT(f->inked(20, 125, 220, 155), 50); // the title row shows characters
}

TEST_F(BadInput, ThousandsOfShowsDrawOnlyWhatIsVisible) {
    for (int i = 0; i < 3000; ++i)
        add(concerts, ("Act " + std::to_string(i)).c_str(), 1 + i % 28, 8 + (i / 1000), 2023);
    for (int i = 0; i < 500; ++i)
        add(concerts, ("Crowd " + std::to_string(i)).c_str(), 13, 9, 2023);
    view.curVisShowListOffset = INT32_MIN;
    draw(1280, 800);
    EXPECT_EQ(view.listContentHeight, 3500 * 54);
    EXPECT_EQ(view.curVisShowListOffset, 674 - 3500 * 54);
    EXPECT_EQ(view.thumbRect.bottom, view.scrollDownRect.top - 1);
    EXPECT_TRUE(concerts.tail->inList);
    int listed = 0, inCells = 0;
    for (SHOWENTRY* e = concerts.head; e; e = e->next)
        listed += e->inList, inCells += e->inCell;
    EXPECT_LE(listed, 14);
    EXPECT_LE(inCells, 35 * 7);
    EXPECT_TRUE(view.cellCanScrollDown[17]);
    int onThe13th = 0;
    for (SHOWENTRY* e = concerts.head; e; e = e->next)
        onThe13th += e->day == 13 && e->month == 9;
    view.cellScroll[17] = onThe13th - 7; // the last seven lines of the day
    draw(1280, 800);
    EXPECT_TRUE(view.cellCanScrollUp[17]);
    EXPECT_FALSE(view.cellCanScrollDown[17]);
}
