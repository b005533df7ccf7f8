// What the player hands to plug-ins: track records, versions, pane geometry, script commands.
#include "player/host_version.h"
#include "player/pane_geometry.h"
#include "player/pane_widget.h"
#include "player/player_options.h"
#include "player/script_command.h"
#include "player/track_record.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vx::player;

namespace {
std::string pascalAt(const ITTrackInfoV1& r, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(&r) + offset;
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}
} // namespace

TEST(TrackRecord, PutsPascalStringsAtTheirByteOffsets) {
    LibraryTrack t;
    t.name = "Life In Technicolor";
    t.artist = "Coldplay";
    t.album = "Viva la Vida";
    t.totalTimeMs = 149080;
    t.year = 2008;
    ITTrackInfoV1 r = makeTrackRecord(t);
    uint32_t length = 0;
    std::memcpy(&length, &r, 4);
    EXPECT_EQ(length, 2116u);
    EXPECT_EQ(pascalAt(r, 264), "Life In Technicolor");
    EXPECT_EQ(pascalAt(r, 520), "Coldplay");
    EXPECT_EQ(pascalAt(r, 776), "Viva la Vida");
    EXPECT_EQ(r.totalTimeInMS, 149080u);
    EXPECT_EQ(r.year, 2008u);
    // Bytes after a string stay zero (the plug-in may read the field as a C string after the length).
    const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (size_t i = 520 + 1 + 8; i < 776; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(TrackRecord, CutsLongTextAt255BytesOnACharacterBoundary) {
    Str255 s;
    setPascalString(s, std::string(300, 'x'));
    EXPECT_EQ(s[0], 255);
    // 254 ASCII bytes then a two-byte character: it would end at byte 256, so it goes whole.
    setPascalString(s, std::string(254, 'a') + "\xC3\xA9" + "tail");
    EXPECT_EQ(s[0], 254);
    setPascalString(s, std::string(253, 'a') + "\xC3\xA9");
    EXPECT_EQ(s[0], 255);
    EXPECT_EQ(s[255], 0xA9);
    setPascalString(s, "");
    EXPECT_EQ(s[0], 0);
}

TEST(HostVersion, ParsesDottedVersionsAndRejectsTheRest) {
    auto v = parseDottedVersion("11.1.3");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->major, 11);
    EXPECT_EQ(v->minor, 1);
    EXPECT_EQ(v->fix, 3);
    ASSERT_TRUE(parseDottedVersion("9"));
    EXPECT_EQ(parseDottedVersion("10.6")->minor, 6);
    for (const char* bad : {"", ".", "9.", "9..1", "1.2.3.4", "a.b", "-1.0", "9.1 ", "99999.1"})
        EXPECT_FALSE(parseDottedVersion(bad)) << bad;
}

TEST(HostVersion, NumVersionPacksMinorAndFixIntoOneByte) {
    NumVersion n = toNumVersion({11, 1, 3});
    EXPECT_EQ(n.majorRev, 11);
    EXPECT_EQ(n.minorAndBugRev, 0x13);
    EXPECT_EQ(n.stage, 0x80);
    EXPECT_EQ(toNumVersion({9, 20, 40}).minorAndBugRev, 0xFF); // cut to what fits, never wrapped
}

TEST(HostVersion, MouseQuirkCoversFrom8Point1UpToBelow10) {
    EXPECT_FALSE(hasMouseOffsetQuirk({8, 0, 9}));
    EXPECT_TRUE(hasMouseOffsetQuirk({8, 1, 0}));
    EXPECT_TRUE(hasMouseOffsetQuirk({9, 1, 0}));
    EXPECT_TRUE(hasMouseOffsetQuirk({9, 2, 1}));
    EXPECT_FALSE(hasMouseOffsetQuirk({10, 0, 0}));
    EXPECT_FALSE(hasMouseOffsetQuirk({11, 1, 3}));
}

TEST(PlayerOptions, ParsesEveryOptionAndRefusesUnknownOnes) {
    std::string error;
    auto o = parseOptions({"--headless", "--script", "s.txt", "--library", "l.xml", "--os-version", "10.5",
                           "--host-version", "8.2.1", "--visualizer", "Fake"},
                          error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->headless);
    EXPECT_EQ(o->scriptPath, "s.txt");
    EXPECT_EQ(o->libraryPath, "l.xml");
    EXPECT_EQ(o->osVersion.minor, 5);
    EXPECT_EQ(o->hostVersion->fix, 1);
    EXPECT_EQ(o->visualizerName, "Fake");
    EXPECT_FALSE(parseOptions({"--bogus"}, error));
    EXPECT_FALSE(parseOptions({"--script"}, error));
    EXPECT_FALSE(parseOptions({"--os-version", "ten"}, error));
    EXPECT_EQ(o->screenWidth, 1440) << "the headless screen unless told";
    auto screen = parseOptions({"--screen", "1024", "768"}, error);
    ASSERT_TRUE(screen) << error;
    EXPECT_EQ(screen->screenHeight, 768);
    EXPECT_FALSE(parseOptions({"--screen", "1024"}, error));
    EXPECT_FALSE(parseOptions({"--screen", "1024", "7x"}, error));
}

TEST(PlayerOptions, HostVersionComesFromTheOptionThenTheLibraryThen9Point1) {
    PlayerOptions o;
    EXPECT_EQ(effectiveHostVersion(o, "11.1.3").major, 11);
    EXPECT_EQ(effectiveHostVersion(o, "garbage").major, 9);
    EXPECT_EQ(effectiveHostVersion(o, "").minor, 1);
    o.hostVersion = DottedVersion{8, 1, 0};
    EXPECT_EQ(effectiveHostVersion(o, "11.1.3").major, 8);
}

TEST(PaneGeometry, PaneSitsBelowTheControlStripInsideTheMargin) {
    Rect r = paneRectFor(300, 200);
    EXPECT_EQ(r.left, kPaneMargin);
    EXPECT_EQ(r.top, kControlStripHeight + kPaneMargin);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_GE(portWidthFor(300), r.right);
    EXPECT_GE(portHeightFor(200), r.bottom);
}

TEST(ScriptCommands, MapsKeyNamesToClassicCodes) {
    struct {
        const char* name;
        int code;
    } cases[] = {{"return", 13}, {"tab", 9},   {"backspace", 8}, {"left", 28}, {"right", 29},
                 {"up", 30},     {"down", 31}, {"a", 'a'},       {"Z", 'Z'},   {"7", '7'}};
    for (const auto& c : cases) {
        ParsedLine p = parseScriptLine(std::string("key ") + c.name);
        ASSERT_EQ(p.outcome, ParsedLine::Outcome::Command) << c.name;
        ASSERT_EQ(p.command.keys.size(), 1u);
        EXPECT_EQ(p.command.keys[0], c.code) << c.name;
    }
    ParsedLine typed = parseScriptLine("type New York");
    EXPECT_EQ(std::string(typed.command.keys.begin(), typed.command.keys.end()), "New York");
}

TEST(ScriptCommands, TypedLettersBeyondAsciiGoAsMacRomanCodes) {
    ParsedLine typed = parseScriptLine("type São Zürich");
    ASSERT_EQ(typed.outcome, ParsedLine::Outcome::Command);
    EXPECT_EQ(typed.command.keys, (std::vector<uint8_t>{'S', 0x8B, 'o', ' ', 'Z', 0x9F, 'r', 'i', 'c', 'h'}));
    ParsedLine key = parseScriptLine("key ñ");
    ASSERT_EQ(key.outcome, ParsedLine::Outcome::Command);
    EXPECT_EQ(key.command.keys, (std::vector<uint8_t>{0x96}));
    // A character the host's key codes cannot carry, and bytes that are no UTF-8.
    EXPECT_EQ(parseScriptLine("type Łódź").outcome, ParsedLine::Outcome::Error);
    EXPECT_EQ(parseScriptLine("type Z\xFCrich").outcome, ParsedLine::Outcome::Error);
    EXPECT_EQ(vx::player::classicKeyCode(0, QString::fromUtf8("ü")), 0x9F);
    EXPECT_EQ(vx::player::classicKeyCode(0, QString::fromUtf8("Ł")), 0);
}

TEST(ScriptCommands, ParsesArgumentsAndSkipsBlanksAndComments) {
    EXPECT_EQ(parseScriptLine("").outcome, ParsedLine::Outcome::Skip);
    EXPECT_EQ(parseScriptLine("   \r").outcome, ParsedLine::Outcome::Skip);
    EXPECT_EQ(parseScriptLine("  # show 1 2").outcome, ParsedLine::Outcome::Skip);

    ParsedLine show = parseScriptLine("  show 640 480\r");
    ASSERT_EQ(show.outcome, ParsedLine::Outcome::Command);
    EXPECT_EQ(show.command.kind, ScriptCommand::Kind::Show);
    EXPECT_EQ(show.command.width, 640);
    EXPECT_EQ(show.command.height, 480);

    ParsedLine play = parseScriptLine("play The Aggrolites |  Rugged Road ");
    EXPECT_EQ(play.command.kind, ScriptCommand::Kind::Play);
    EXPECT_EQ(play.command.text, "The Aggrolites");
    EXPECT_EQ(play.command.album, "Rugged Road");

    ParsedLine wheel = parseScriptLine("wheel 10 -5 -3");
    EXPECT_EQ(wheel.command.mouse, MouseAction::Wheel);
    EXPECT_EQ(wheel.command.y, -5);
    EXPECT_EQ(wheel.command.delta, -3);

    ParsedLine wait = parseScriptLine("wait-file /tmp/a b.ics 2.5");
    EXPECT_EQ(wait.command.text, "/tmp/a b.ics");
    EXPECT_DOUBLE_EQ(wait.command.seconds, 2.5);
    EXPECT_EQ(parseScriptLine("wait-idle 30").command.kind, ScriptCommand::Kind::WaitIdle);
    EXPECT_DOUBLE_EQ(parseScriptLine("wait-idle 2.5").command.seconds, 2.5);

    EXPECT_EQ(parseScriptLine("snapshot out dir/p.png").command.text, "out dir/p.png");

    ParsedLine control = parseScriptLine("control CID_SHARING_TBOX_firstName  Mary Ann ");
    EXPECT_EQ(control.command.kind, ScriptCommand::Kind::Control);
    EXPECT_EQ(control.command.window, "CID_SHARING_TBOX_firstName");
    EXPECT_EQ(control.command.text, "Mary Ann");
    EXPECT_EQ(parseScriptLine("control CID_SHARING_TBOX_addFriend").command.text, "");
    EXPECT_EQ(parseScriptLine("press CID_MAIN_BTTN_ok").command.kind, ScriptCommand::Kind::Press);
}

TEST(ScriptCommands, RejectsUnknownCommandsAndBadArguments) {
    for (const char* bad :
         {"dance",        "show",        "show 10",          "show 0 10",      "show 10 99999", "show a b",
          "resize 1 2 3", "idle",        "idle -1",          "idle x",         "key",           "key escapee",
          "key ab",       "type",        "click 1",          "click 1 y",      "wheel 1 2",     "sleep",
          "sleep 1.5",    "wait-file x", "wait-file x soon", "wait-file x -1", "snapshot",      "answer",
          "answer-file",  "hide now",    "quit 1",           "move 99999 1",   "control",       "press",
          "press a b",    "wait-idle",   "wait-idle -1",     "wait-idle 1 2"}) {
        EXPECT_EQ(parseScriptLine(bad).outcome, ParsedLine::Outcome::Error) << bad;
    }
}
