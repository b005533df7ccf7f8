// The script's control and press commands: controls found by object name, set and clicked so
// that the window's handler hears what it would hear from a user.
#include "platform/qt/interface_windows.h"
#include "player/control_driving.h"
#include "tests/support/window_services.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include <string>
#include <vector>

namespace {

OSStatus record(VxWindow*, const VxWindowEvent* e, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(std::to_string(e->kind) + ":" +
                                                            std::to_string(e->id));
    return noErr;
}

class ControlDrivingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureTestApplication(); }
    void SetUp() override {
        window = windows.create(VX_TESTDATA_DIR "/windows", "Vx_Test", record, &events);
        ASSERT_NE(window, nullptr);
        windows.show(window, true);
        const char* rows[] = {"a", "b"};
        windows.setRows(windows.findControl(window, VX_FOURCC('l', 'b', 'o', 'x'), 4), rows, 2);
    }
    void TearDown() override {
        windows.disposeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <typename T> T* widget(const char* name) {
        return windows.widgetNamed("Vx_Test")->findChild<T*>(name);
    }

    vx::InterfaceWindows windows;
    VxWindow* window = nullptr;
    std::vector<std::string> events;
};

TEST_F(ControlDrivingTest, TextBoxesTakeTheTextAndHearAKeyRelease) {
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_TBOX_box", "Jo Smith"), "");
    EXPECT_EQ(widget<QLineEdit>("CID_TEST_TBOX_box")->text(), "Jo Smith");
    EXPECT_EQ(events, (std::vector<std::string>{"102:3"}));
}

TEST_F(ControlDrivingTest, CheckBoxesAreClickedOnlyWhenTheValueChanges) {
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_CBOX_check", "1"), "");
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_CBOX_check", "1"), "");
    EXPECT_TRUE(widget<QCheckBox>("CID_TEST_CBOX_check")->isChecked());
    EXPECT_EQ(vx::player::pressControl(windows, "CID_TEST_CBOX_check"), "");
    EXPECT_FALSE(widget<QCheckBox>("CID_TEST_CBOX_check")->isChecked());
    EXPECT_EQ(events, (std::vector<std::string>{"100:2", "100:2"}));
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_CBOX_check", "yes"), "takes 1 or 0");
}

TEST_F(ControlDrivingTest, ListsSelectARowOrNone) {
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_LBOX_list", "1"), "");
    EXPECT_EQ(widget<QListWidget>("CID_TEST_LBOX_list")->currentRow(), 1);
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_LBOX_list", "2"), "has no such row");
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_LBOX_list", "-1"), "");
    EXPECT_TRUE(widget<QListWidget>("CID_TEST_LBOX_list")->selectedItems().isEmpty());
    EXPECT_EQ(events, (std::vector<std::string>{"101:4", "101:4"}));
}

TEST_F(ControlDrivingTest, WhatAUserCannotReachIsRefused) {
    EXPECT_EQ(vx::player::setControl(windows, "CID_NO_SUCH", "1"), "no such control");
    EXPECT_EQ(vx::player::pressControl(windows, "CID_TEST_TBOX_box"), "is not a button");
    widget<QCheckBox>("CID_TEST_CBOX_check")->setEnabled(false);
    EXPECT_EQ(vx::player::pressControl(windows, "CID_TEST_CBOX_check"), "is disabled");
    windows.show(window, false);
    EXPECT_EQ(vx::player::setControl(windows, "CID_TEST_TBOX_box", "x"), "is in a hidden window");
    EXPECT_TRUE(events.empty());
}

} // namespace
