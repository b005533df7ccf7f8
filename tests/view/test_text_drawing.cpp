// Text in a box: line pitch, the three alignments, underlines, shortening with "..." and the
// box running out, measured with a context whose every byte is 6 pixels wide.
#include "plugin/view/text_drawing.h"
#include "tests/view/recording_context.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const Rect kPane = {0, 0, 400, 600};
const Rect kBox = {100, 50, 130, 110}; // 60 wide, two 12-pixel lines of 10-pixel text

struct Written {
    RecordingContext ctx{400};
    int result = -1;
    Written(const std::string& text, Rect box, int align, bool underline = false, int size = 10) {
        result = macWriteToRect(&ctx, text.c_str(), box, &kPane, size, align, underline);
    }
};
} // namespace

TEST(WriteToRect, LinesArePitchedByFontSizePlusTwoFromTheBoxTop) {
    Written w("one\ntwo", kBox, kAlignLeft);
    ASSERT_EQ(w.ctx.texts.size(), 2u);
    EXPECT_EQ(w.ctx.texts[0].text, "one");
    EXPECT_EQ(w.ctx.texts[0].x, 51);
    EXPECT_EQ(w.ctx.texts[0].y, 400 - 100 - 12);
    EXPECT_EQ(w.ctx.texts[1].text, "two");
    EXPECT_EQ(w.ctx.texts[1].y, 400 - 100 - 24);
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.ctx.state.textMode, kCGTextFill);
}

TEST(WriteToRect, AlignmentsPlaceTheMeasuredWidth) {
    Written left("abcd", kBox, kAlignLeft, true);
    Written centre("abcd", kBox, kAlignCenter, true);
    Written right("abcd", kBox, kAlignRight, true);
    // "abcd" is 24 wide in a 60-wide box at x 50.
    EXPECT_EQ(left.ctx.texts.at(0).x, 51);
    EXPECT_EQ(centre.ctx.texts.at(0).x, 50 + 30 - 12 + 1);
    EXPECT_EQ(right.ctx.texts.at(0).x, 110 - 24 + 1); // its right edge touches r.right + 1
    ASSERT_EQ(left.ctx.lines.size(), 1u);
    EXPECT_EQ(left.ctx.lines[0].from.x, 51);
    EXPECT_EQ(left.ctx.lines[0].to.x, 50 + 24 + 2);
    EXPECT_EQ(left.ctx.lines[0].from.y, 400 - 100 - 12 - 2);
    EXPECT_EQ(centre.ctx.lines.at(0).from.x, 69);
    EXPECT_EQ(centre.ctx.lines.at(0).to.x, 50 + 30 + 12 + 2);
    EXPECT_EQ(right.ctx.lines.at(0).from.x, 87);
    EXPECT_EQ(right.ctx.lines.at(0).to.x, 111);
    EXPECT_EQ(right.ctx.lines.at(0).colour.r, 0);
    EXPECT_EQ(right.ctx.lines.at(0).colour.a, 1);
}

TEST(WriteToRect, UnknownAlignmentDrawsNothingButUsesTheLine) {
    Written w("a\nb", kBox, 3, true);
    EXPECT_TRUE(w.ctx.texts.empty());
    EXPECT_TRUE(w.ctx.lines.empty());
    EXPECT_EQ(w.result, 0);
    Written more("a\nb\nc", kBox, 5);
    EXPECT_EQ(more.result, 1);
}

TEST(WriteToRect, TooWideLineEndsOneStepPastTheFirstFit) {
    // 16 letters = 96 pixels against 58: "ABCDEF..." is the first to fit, one more step is shown.
    Written w("ABCDEFGHIJKLMNOP", kBox, kAlignLeft);
    ASSERT_EQ(w.ctx.texts.size(), 1u);
    EXPECT_EQ(w.ctx.texts[0].text, "ABCDE...");
    Written right("ABCDEFGHIJKLMNOP", kBox, kAlignRight);
    EXPECT_EQ(right.ctx.texts.at(0).x, 110 - 48 + 1);
    // A line that fits as it is stays whole.
    Written fits("ABCDEFGHI", kBox, kAlignLeft);
    EXPECT_EQ(fits.ctx.texts.at(0).text, "ABCDEFGHI");
}

TEST(WriteToRect, ShortTextsAreNeverShortened) {
    const Rect narrow = {100, 50, 130, 70}; // 20 wide: 18 usable
    Written four("ABCD", narrow, kAlignLeft);
    EXPECT_EQ(four.ctx.texts.at(0).text, "ABCD");
    Written five("ABCDE", narrow, kAlignLeft);
    EXPECT_EQ(five.ctx.texts.at(0).text, "A...");
    Written long_("ABCDEFGHIJKLMNOPQRSTUVWXYZ", narrow, kAlignLeft);
    EXPECT_EQ(long_.ctx.texts.at(0).text, "A...");
}

TEST(WriteToRect, EachLineIsShortenedOnItsOwn) {
    Written w("ABCDEFGHIJKLMNOP\nshort", kBox, kAlignLeft);
    ASSERT_EQ(w.ctx.texts.size(), 2u);
    EXPECT_EQ(w.ctx.texts[0].text, "ABCDE...");
    EXPECT_EQ(w.ctx.texts[1].text, "short");
}

TEST(WriteToRect, LongLinesAreCutTo1023ThenTo255Characters) {
    const Rect wide = {100, 0, 130, 2000};
    Written w(std::string(300, 'x'), wide, kAlignLeft);
    EXPECT_EQ(w.ctx.texts.at(0).text, std::string(255, 'x'));
    // The first measurement is of the 1023-character line (6138 wide), too wide for 6098, so the
    // 255-character text is measured, fits, and is shown one step shorter.
    const Rect box = {100, 0, 130, 6100};
    Written cut(std::string(1500, 'y'), box, kAlignLeft);
    EXPECT_EQ(cut.ctx.texts.at(0).text, std::string(251, 'y') + "...");
}

TEST(WriteToRect, BoxNoTallerThanOneLineDrawsNothing) {
    Written exact("text", Rect{100, 50, 112, 110}, kAlignLeft, true);
    EXPECT_TRUE(exact.ctx.texts.empty());
    EXPECT_TRUE(exact.ctx.lines.empty());
    EXPECT_EQ(exact.result, 1);
    Written oneMore("text", Rect{100, 50, 113, 110}, kAlignLeft);
    EXPECT_EQ(oneMore.ctx.texts.size(), 1u);
    Written upsideDown("text", Rect{130, 50, 100, 110}, kAlignLeft);
    EXPECT_TRUE(upsideDown.ctx.texts.empty());
}

TEST(WriteToRect, EmptyTextAndTrailingNewlineDrawEmptyLines) {
    Written empty("", kBox, kAlignLeft, true);
    ASSERT_EQ(empty.ctx.lines.size(), 1u);
    EXPECT_EQ(empty.ctx.lines[0].from.x, 51);
    EXPECT_EQ(empty.ctx.lines[0].to.x, 52);
    EXPECT_EQ(empty.result, 0);
    Written trailing("abc\n", kBox, kAlignLeft, true);
    ASSERT_EQ(trailing.ctx.lines.size(), 2u);
    EXPECT_EQ(trailing.ctx.lines[1].from.y, 400 - 100 - 24 - 2);
    EXPECT_EQ(trailing.ctx.lines[1].to.x, 52);
    EXPECT_EQ(trailing.result, 0);
}

TEST(WriteToRect, MeasuresLongTextsWithoutOneMeasurementPerCharacter) {
    // A full 255-character name in a narrow box must not cost a measurement per dropped character.
    Written w(std::string(255, 'n'), kBox, kAlignLeft);
    EXPECT_EQ(w.ctx.texts.at(0).text, "nnnnn...");
    EXPECT_LT(w.ctx.measured, 20);
}

TEST(ClearScreen, FillsThePaneWhite) {
    RecordingContext ctx(300);
    const Rect pane = {22, 10, 322, 410};
    macClearScreen(&ctx, &pane);
    ASSERT_EQ(ctx.fills.size(), 1u);
    EXPECT_EQ(ctx.fills[0].rect.size.width, 400);
    EXPECT_EQ(ctx.fills[0].rect.size.height, 300);
    EXPECT_EQ(ctx.fills[0].rect.origin.y, 0);
    EXPECT_EQ(ctx.fills[0].colour.g, 1);
}
