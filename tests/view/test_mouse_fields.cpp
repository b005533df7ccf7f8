// Clicks on the City, State and Radius fields: editing moves from field to field, and a field
// that loses the focus to any other place asks for a new search.
#include "tests/view/test_mouse_fixture.h"

using mouse_test::centre;
using mouse_test::Point2;

namespace {

class MouseFields : public MouseFixture {
  protected:
    void SetUp() override {
        // The fields differ from the last search, so every request for a search starts one.
        root->state.setCurCityDisplay("Springfield");
        root->state.setCurStateDisplay("IL");
        render();
    }
    Point2 city() const { return centre(root->view.citySpot.rect); }
    Point2 state() const { return centre(root->view.stateSpot.rect); }
    Point2 radius() const { return centre(root->view.radiusSpot.rect); }
    // Inside the grid, on no hot spot.
    Point2 elsewhere() const { return centre(root->view.cellRect[0]); }

    bool editingCity() { return root->state.getUpdatingCity(); }
    bool editingState() { return root->state.getUpdatingState(); }
    bool editingRadius() { return root->state.getUpdatingSearchRadius(); }
};

TEST_F(MouseFields, ClickingCityThenStateThenRadiusMovesTheEditingWithoutASearch) {
    click(city());
    EXPECT_TRUE(editingCity());
    EXPECT_FALSE(editingState());
    EXPECT_FALSE(refreshStarted());

    click(state());
    EXPECT_FALSE(editingCity());
    EXPECT_TRUE(editingState());
    EXPECT_FALSE(refreshStarted());

    click(radius());
    EXPECT_FALSE(editingState());
    EXPECT_TRUE(editingRadius());
    EXPECT_FALSE(refreshStarted());

    click(elsewhere());
    EXPECT_FALSE(editingCity());
    EXPECT_FALSE(editingState());
    EXPECT_FALSE(editingRadius());
    EXPECT_TRUE(refreshStarted());
    EXPECT_EQ(stepsRun().front(), uint32_t{kUpdateConcerts});
}

TEST_F(MouseFields, ClickingTheFieldBeingEditedKeepsStateButEndsCity) {
    click(city());
    click(city());
    EXPECT_FALSE(editingCity()) << "a second click on City ends its editing";
    EXPECT_FALSE(refreshStarted()) << "ending City by clicking it again searches nothing";

    click(state());
    click(state());
    EXPECT_TRUE(editingState()) << "a click on State while it is edited keeps it";
    EXPECT_FALSE(refreshStarted());
}

TEST_F(MouseFields, LeavingAnyFieldForAnotherPlaceStartsTheSearch) {
    for (const Point2 field : {city(), state(), radius()}) {
        click(field);
        ASSERT_TRUE(editingCity() || editingState() || editingRadius());
        click(elsewhere());
        EXPECT_FALSE(editingCity() || editingState() || editingRadius());
        EXPECT_TRUE(refreshStarted());
    }
}

TEST_F(MouseFields, ClickingElsewhereWithNoFieldEditedStartsNothing) {
    click(elsewhere());
    EXPECT_FALSE(refreshStarted());
}

TEST_F(MouseFields, ARadiusLeftByAClickIsRefusedAsWhenEndedByKey) {
    click(radius());
    root->state.setCurSearchRadiusDisplay("1234");
    click(elsewhere());
    EXPECT_EQ(text(&ProtectedData::getCurSearchRadiusDisplay), "75");
    EXPECT_FALSE(refreshStarted());
}

} // namespace
