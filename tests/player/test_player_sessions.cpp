// The player run as a program, headless, with fake plug-ins that log what they receive.
#include "player/player_window.h"
#include "tests/player/player_test_support.h"
#include "tests/support/window_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMenuBar>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

using namespace vx::player::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

} // namespace

TEST(PlayerSession, ScriptedSessionReachesThePlugInInHostOrder) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    h.installLibrary("itunes-9.1-fixture.xml");
    RunResult r = h.run("show 320 200\n"
                        "idle 2\n"
                        "play Coldplay | Viva la Vida\n"
                        "next\n"
                        "pause\n"
                        "unpause\n"
                        "key return\n"
                        "config\n"
                        "resize 400 300\n"
                        "hide\n"
                        "quit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out[0], "loaded: " + bundle + " Fake 3.1");
    EXPECT_THAT(h.messages(bundle),
                ElementsAre("entry init major=10 minor=6", "rvis 0", "init major=10 app=9.1.0",
                            "itfs 0 Fake.bundle", "sysv 10.6",
                            // The pane sits below the 40-pixel strip, inside a 4-pixel margin.
                            "show port=328x248 rect=44,4,244,324", "null", "null",
                            "vply length=2116 name=Life In Technicolor artist=Coldplay album=Viva la Vida",
                            "ctrk length=2116 name=Cemeteries of London artist=Coldplay album=Viva la Vida",
                            "vpau", "vunp", "vevt what=3 char=13", "cnfg",
                            "swin port=408x348 rect=44,4,344,404", "hide", "posted at hide", "clr",
                            "entry clr"));
}

TEST(PlayerSession, EndOfInputHidesCleansUpAndExitsZero) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    RunResult r = h.run("show 100 80\n# no quit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> m = h.messages(bundle);
    ASSERT_GE(m.size(), 4u);
    // What the plug-in posts as it is hidden runs before its cleanup.
    EXPECT_THAT(std::vector<std::string>(m.end() - 4, m.end()),
                ElementsAre("hide", "posted at hide", "clr", "entry clr"));
    // Nothing shown: no hide at the end.
    PlayerHome h2;
    std::string b2 = h2.installFake("Fake");
    ASSERT_EQ(h2.run("").status, 0);
    EXPECT_THAT(withPrefix(h2.messages(b2), "hide"), ElementsAre());
    EXPECT_THAT(withPrefix(h2.messages(b2), "clr"), ElementsAre("clr"));
}

TEST(PlayerSession, TrackRecordsCarryArtistAndAlbumAsPascalStrings) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    std::string longArtist(300, 'L');
    RunResult r = h.run("play Nobody Known | Some Album\n"
                        "play " +
                        longArtist +
                        " | X\n"
                        "play Only Artist\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(withPrefix(h.messages(bundle), "vply"),
                ElementsAre("vply length=2116 name= artist=Nobody Known album=Some Album",
                            "vply length=2116 name= artist=" + std::string(255, 'L') + " album=X",
                            "vply length=2116 name= artist=Only Artist album="));
}

TEST(PlayerSession, KeysAndTypedTextArriveAsClassicKeyEvents) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    RunResult r = h.run("show 100 100\nkey tab\nkey backspace\nkey left\nkey right\nkey up\nkey down\nkey x\n"
                        "type Ab c\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(withPrefix(h.messages(bundle), "vevt"),
                ElementsAre("vevt what=3 char=9", "vevt what=3 char=8", "vevt what=3 char=28",
                            "vevt what=3 char=29", "vevt what=3 char=30", "vevt what=3 char=31",
                            "vevt what=3 char=120", "vevt what=3 char=65", "vevt what=3 char=98",
                            "vevt what=3 char=32", "vevt what=3 char=99"));
}

namespace {

struct QuirkCase {
    std::vector<std::string> args;
    std::string library;
    int expectedOffset; // how much higher than the true port location the host reports
};

// "Version8_1_Library11_1", "NoLibrary": the host version given and the library's, as a test name.
std::string caseName(const QuirkCase& c) {
    std::string name = c.args.size() == 2 ? "Version" + c.args[1] + "_" : "";
    const std::size_t dash = c.library.find('-');
    name += c.library.empty() ? "NoLibrary"
                              : "Library" + c.library.substr(dash + 1, c.library.find("-fixture") - dash - 1);
    for (char& ch : name)
        if (ch == '.') ch = '_';
    return name;
}

// Failure messages name the case as the test name does.
void PrintTo(const QuirkCase& c, std::ostream* out) {
    *out << caseName(c) << " reported " << c.expectedOffset << " high";
}

} // namespace

class MouseLocations : public ::testing::TestWithParam<QuirkCase> {};

TEST_P(MouseLocations, AreInPortCoordinatesWithTheOldHostsOffset) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    if (!GetParam().library.empty()) h.installLibrary(GetParam().library);
    RunResult r =
        h.run("click 1 1\n" // before show: no handler yet, nothing happens
              "show 200 100\nclick 10 20\nrclick 5 6\nmove 1 2\ndrag 3 4\nwheel 7 8 -2\nhide\nclick 1 1\n",
              GetParam().args);
    ASSERT_EQ(r.status, 0) << r.err;
    auto v = [&](int y) { return std::to_string(y + 44 - GetParam().expectedOffset); };
    EXPECT_THAT(withPrefix(h.messages(bundle), "mouse"),
                // A click moves the pointer to its place first, as a real one does.
                ElementsAre("mouse kind=5 h=14 v=" + v(20) + " button=0 mods=0 delta=0",
                            "mouse kind=1 h=14 v=" + v(20) + " button=1 mods=0 delta=0",
                            "mouse kind=2 h=14 v=" + v(20) + " button=1 mods=0 delta=0",
                            "mouse kind=5 h=9 v=" + v(6) + " button=0 mods=0 delta=0",
                            "mouse kind=1 h=9 v=" + v(6) + " button=2 mods=0 delta=0",
                            "mouse kind=2 h=9 v=" + v(6) + " button=2 mods=0 delta=0",
                            "mouse kind=5 h=5 v=" + v(2) + " button=0 mods=0 delta=0",
                            "mouse kind=6 h=7 v=" + v(4) + " button=1 mods=0 delta=0",
                            "mouse kind=10 h=11 v=" + v(8) + " button=0 mods=0 delta=-2"));
}

INSTANTIATE_TEST_SUITE_P(
    HostVersions, MouseLocations,
    ::testing::Values(QuirkCase{{}, "itunes-9.1-fixture.xml", 22},
                      QuirkCase{{}, "itunes-11.1-fixture.xml", 0}, QuirkCase{{}, "", 22}, // no library: 9.1
                      QuirkCase{{"--host-version", "8.1"}, "itunes-11.1-fixture.xml", 22},
                      QuirkCase{{"--host-version", "8.0.5"}, "", 0},
                      QuirkCase{{"--host-version", "10.0"}, "itunes-9.1-fixture.xml", 0}),
    [](const ::testing::TestParamInfo<QuirkCase>& info) { return caseName(info.param); });

TEST(PlayerSession, ReportsTheHostAndSystemVersionsItWasGiven) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    h.installLibrary("itunes-11.1-fixture.xml");
    ASSERT_EQ(h.run("", {"--os-version", "10.4"}).status, 0);
    std::string log = joined(h.messages(bundle));
    EXPECT_THAT(log, HasSubstr("init major=10 app=11.1.3\n"));
    EXPECT_THAT(log, HasSubstr("sysv 10.4\n"));
}

TEST(PlayerSession, BadScriptLinesStopWithStatusTwoNamingTheLine) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    RunResult r = h.run("show 100 100\n\n# a comment\nfrobnicate 3\nshow 50 50\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("line 4"));
    EXPECT_THAT(r.err, HasSubstr("frobnicate 3"));
    std::vector<std::string> m = h.messages(bundle);
    EXPECT_THAT(withPrefix(m, "show"), ElementsAre("show port=108x148 rect=44,4,144,104"));
    EXPECT_THAT(withPrefix(m, "swin"), ElementsAre());                 // nothing after the bad line ran
    EXPECT_THAT(withPrefix(m, "entry clr"), ElementsAre("entry clr")); // still shut down cleanly

    RunResult badArg = h.run("idle many\n");
    EXPECT_EQ(badArg.status, 2);
    EXPECT_THAT(badArg.err, HasSubstr("line 1"));
    EXPECT_THAT(badArg.err, HasSubstr("idle many"));

    PlayerHome none;
    auto p = none.start({"--script", none.home.file("missing.txt")});
    EXPECT_EQ(p->waitForExit(20000).value_or(-1), 2);
    auto q = none.start({"--frobnicate"});
    EXPECT_EQ(q->waitForExit(20000).value_or(-1), 2);
}

TEST(PlayerSession, BrokenBundlesAreReportedByNameAndLeftOut) {
    PlayerHome h;
    std::string good = h.installFake("Good");
    h.installFake("NoEntry", "normal", VX_FAKE_PLUGIN_NO_ENTRY);
    std::string failInit = h.installFake("FailInit", "fail-init");
    std::string badVersion = h.installFake("BadVersion", "bad-version");
    std::string noRegister = h.installFake("NoRegister", "no-register");
    std::string failHandler = h.installFake("FailHandlerInit", "fail-handler-init");
    h.home.writeFile(h.home.pluginFolder() + "/Garbage.bundle/Contents/MacOS/Garbage",
                     "not a library at all");
    h.home.writeFile(h.home.pluginFolder() + "/Missing.bundle/Contents/Info.plist",
                     "<plist><dict></dict></plist>");
    h.home.writeFile(h.home.pluginFolder() + "/Plain.bundle", "a file, not a folder");

    RunResult r = h.run("show 100 100\nclick 1 1\nquit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(withPrefix(r.out, "loaded: "), ElementsAre("loaded: " + good + " Good 3.1"));
    for (const char* name : {"NoEntry", "FailInit", "BadVersion", "NoRegister", "FailHandlerInit", "Garbage",
                             "Missing", "Plain"})
        EXPECT_THAT(r.err, HasSubstr("plug-in " + std::string(name) + " left out")) << name;
    EXPECT_THAT(r.err, HasSubstr("major version 11"));

    // The one that works gets the whole session.
    EXPECT_THAT(withPrefix(h.messages(good), "show"), ElementsAre("show port=108x148 rect=44,4,144,104"));
    // A refused registration fails the entry's init; a failed entry init gets no cleanup.
    EXPECT_THAT(h.messages(badVersion), ElementsAre("entry init major=10 minor=6", "rvis -50"));
    EXPECT_THAT(h.messages(failInit), ElementsAre("entry init major=10 minor=6"));
    // An entry that initialised is cleaned up even when nothing usable came of it.
    EXPECT_THAT(h.messages(noRegister), ElementsAre("entry init major=10 minor=6", "entry clr"));
    EXPECT_THAT(h.messages(failHandler), ElementsAre("entry init major=10 minor=6", "rvis 0", "entry clr"));
}

TEST(PlayerSession, StdinDrivesThePlayerStepByStep) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    auto p = h.start();
    ASSERT_TRUE(p->waitForLine("loaded: ", 20000)) << p->errorText();

    p->sendLine("show 120 80");
    p->sendLine("snapshot first.png");
    ASSERT_EQ(p->waitForLine("snapshot", 10000).value_or(""), "snapshot: first.png") << p->errorText();
    // The player answered while its input is still open: the show went through already.
    EXPECT_THAT(joined(h.messages(bundle)), HasSubstr("show port=128x128 rect=44,4,124,124\n"));
    QImage first(QString::fromStdString(h.home.file("first.png")));
    ASSERT_EQ(first.width(), 120);
    ASSERT_EQ(first.height(), 80);
    EXPECT_EQ(first.pixel(0, 0), 0xFFFF0000u); // the fake marks the pane's own corner
    EXPECT_EQ(first.pixel(60, 40), 0xFF3366CCu);

    // A frame drawn on another thread, which the host thread waits for: posting the repaint
    // must not wait for the host thread.
    p->sendLine("key R");
    p->sendLine("snapshot second.png");
    ASSERT_EQ(p->waitForLine("snapshot", 10000).value_or(""), "snapshot: second.png") << p->errorText();
    QImage second(QString::fromStdString(h.home.file("second.png")));
    EXPECT_EQ(second.pixel(60, 40), 0xFF00AA00u);

    p->sendLine("hide");
    p->sendLine("snapshot " + h.home.file("no/such/dir/x.png"));
    EXPECT_THAT(p->waitForLine("snapshot", 10000).value_or(""), HasSubstr("snapshot-error: "));

    p->sendLine("quit");
    EXPECT_EQ(p->waitForExit(20000).value_or(-1), 0);
}

TEST(PlayerSession, HostServicesAnswerFromTheScriptAndPrintWhatTheyShow) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    RunResult r = h.run("show 100 100\n"
                        "key A\n"
                        "answer Stop\n"
                        "key A\n"
                        "answer-file /tmp/some/file.xml\n"
                        "key F\n"
                        "key F\n"
                        "answer-file /a/path/much/too/long/for/thirty-two/bytes.xml\n"
                        "key F\n"
                        "key U\n"
                        "key P\n"
                        "quit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(withPrefix(r.out, "alert: "), ElementsAre("alert: Title A | First line\\nsecond line",
                                                          "alert: Title A | First line\\nsecond line"));
    EXPECT_THAT(withPrefix(r.out, "file-dialog: "),
                ElementsAre("file-dialog: Locate the file", "file-dialog: Locate the file",
                            "file-dialog: Locate the file"));
    EXPECT_THAT(withPrefix(r.out, "open-url: "), ElementsAre("open-url: http://example.com/a b?x=1&y=2"));
    std::vector<std::string> m = h.messages(bundle);
    EXPECT_THAT(withPrefix(m, "alert-answer"), ElementsAre("alert-answer 1", "alert-answer 2"));
    EXPECT_THAT(withPrefix(m, "file-answer"),
                ElementsAre("file-answer 0 /tmp/some/file.xml", "file-answer -1 untouched",
                            "file-answer -1 untouched"));
    EXPECT_THAT(withPrefix(m, "url-answer"), ElementsAre("url-answer 0"));
    EXPECT_THAT(withPrefix(m, "bad-url-answer"), ElementsAre("bad-url-answer -50"));
    // Work posted from another thread runs on the host thread, before the plug-in is cleaned up.
    auto posted = std::find(m.begin(), m.end(), "posted ran on-host=1");
    ASSERT_NE(posted, m.end());
    EXPECT_LT(posted - m.begin(), std::find(m.begin(), m.end(), "clr") - m.begin());
}

namespace {

// Rewrites the file, each time longer, until the player reports its wait: whenever the wait
// began, a later write is fresh to it. Returns the report.
std::string writeUntilAnswered(const vx::e2e::TempHome& home, vx::e2e::PlayerProcess& p,
                               const std::string& file) {
    for (std::size_t size = 1; size < 400; ++size) {
        home.writeFile(file, std::string(size, 'w'));
        std::optional<std::string> line = p.readLine(50);
        if (line && line->rfind("wait-file", 0) == 0) return *line;
    }
    return "";
}

} // namespace

TEST(PlayerSession, WaitFileWaitsForAFreshWriteOrTimesOut) {
    PlayerHome h;
    h.installFake("Fake");
    h.home.writeFile("old.txt", "already here");
    auto p = h.start();
    ASSERT_TRUE(p->waitForLine("loaded: ", 20000));
    p->sendLine("wait-file old.txt 0.3");
    EXPECT_EQ(p->waitForLine("wait-file", 10000).value_or(""), "wait-file: timeout old.txt");

    p->sendLine("wait-file flag.txt 20");
    p->sendLine("snapshot never.png"); // queued behind the wait
    EXPECT_EQ(writeUntilAnswered(h.home, *p, "flag.txt"), "wait-file: ok flag.txt");

    p->sendLine("wait-file old.txt 20");
    EXPECT_EQ(writeUntilAnswered(h.home, *p, "old.txt"), "wait-file: ok old.txt");
    p->closeInput();
    EXPECT_EQ(p->waitForExit(20000).value_or(-1), 0);
    EXPECT_THAT(p->linesRead(), ::testing::Contains("snapshot-error: never.png"));
}

TEST(PlayerSession, MalformedOrMissingLibrariesStillPlay) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    h.installLibrary("itunes-11.1-malformed-fixture.xml");
    ASSERT_EQ(h.run("next\nnext\nnext\nplay\n").status, 0);
    EXPECT_THAT(withPrefix(h.messages(bundle), "ctrk"),
                ElementsAre("ctrk length=2116 name=Eple (Original Edit) artist=Royksopp album=Melody A.M.",
                            "ctrk length=2116 name=Nude artist=Radiohead album=In Rainbows",
                            "ctrk length=2116 name=Eple (Original Edit) artist=Royksopp album=Melody A.M."));
    EXPECT_THAT(withPrefix(h.messages(bundle), "vply"),
                ElementsAre("vply length=2116 name=Eple (Original Edit) artist=Royksopp album=Melody A.M."));

    PlayerHome empty;
    std::string b2 = empty.installFake("Fake");
    empty.home.writeFile("Music/iTunes/iTunes Music Library.xml", std::string("\0\xff<dict><key>", 12));
    RunResult r = empty.run("next\nplay\nquit\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(withPrefix(empty.messages(b2), "ctrk"), ElementsAre());
}

TEST(PlayerSession, WindowModeShowsTheVisualizerInThePaneBelowTheControls) {
    PlayerHome h;
    std::string bundle = h.installFake("Fake");
    h.home.writeFile("window.txt", "show 300 200\nsnapshot win.png\nresize 320 210\nconfig\nquit\n");
    vx::e2e::PlayerProcess p(VX_PLAYER_EXE, {"--script", h.home.file("window.txt")},
                             h.home.playerEnvironment(), h.home.path());
    ASSERT_EQ(p.waitForExit(30000).value_or(-1), 0) << p.errorText();
    std::vector<std::string> m = h.messages(bundle);
    // The window turns the visualizer on at its own size, then follows the script's sizes.
    ASSERT_FALSE(withPrefix(m, "show").empty());
    EXPECT_THAT(withPrefix(m, "show")[0], HasSubstr(" rect=44,4,"));
    EXPECT_THAT(m, ::testing::Contains("swin port=328x258 rect=44,4,254,324"));
    EXPECT_THAT(withPrefix(m, "cnfg"), ElementsAre("cnfg"));
    EXPECT_THAT(std::vector<std::string>(m.end() - 3, m.end()),
                ElementsAre("posted at hide", "clr", "entry clr"));
    QImage shot(QString::fromStdString(h.home.file("win.png")));
    EXPECT_EQ(shot.size(), QSize(300, 200));
    EXPECT_EQ(shot.pixel(150, 100), 0xFF3366CCu);
}

// The installer tells the user to pick the plug-in under View > Visualizer.
TEST(PlayerWindowMenu, VisualizerSubmenuListsTheLoadedOnesAndSwitchesTheShownOne) {
    ensureTestApplication();
    PlayerHome h;
    const std::string alpha = h.installFake("Alpha"), beta = h.installFake("Beta");
    vx::player::HeadlessDialogs dialogs;
    vx::player::PlayerSession session({}, {}, dialogs);
    session.loadPlugins({h.home.pluginFolder()});
    vx::player::PlayerWindow window(session, [](int) {});
    window.show();
    QCoreApplication::processEvents();
    window.setVisualizerOn(true);
    // The first window's pane holds the calendar's layout (the plug-in view's smallest pane, 786 x
    // 400), so it does not open on "Make this pane larger".
    const std::string shown = withPrefix(h.messages(alpha), "show").at(0);
    int top = 0, left = 0, bottom = 0, right = 0;
    std::sscanf(shown.c_str() + shown.find("rect="), "rect=%d,%d,%d,%d", &top, &left, &bottom, &right);
    EXPECT_TRUE(right - left >= 786 && bottom - top >= 400) << shown;
    const QList<QAction*> view = window.menuBar()->actions().at(1)->menu()->actions();
    EXPECT_EQ(view.at(0)->shortcut(), QKeySequence("Ctrl+T"));
    EXPECT_EQ(view.at(2)->text(), "Visualizer Options\u2026");
    const QList<QAction*> choices = view.at(1)->menu()->actions();
    ASSERT_EQ(choices.size(), 2);
    EXPECT_TRUE(choices.at(0)->isChecked() && choices.at(0)->text() == "Fake Alpha.bundle");
    choices.at(1)->trigger();
    EXPECT_TRUE(choices.at(1)->isChecked() && !choices.at(0)->isChecked());
    EXPECT_THAT(h.messages(alpha), ::testing::Contains("hide"));
    EXPECT_EQ(withPrefix(h.messages(beta), "show").size(), 1u);
}
