#include "platform/host_services.h"
#include "plugin/engine/user_actions.h"
#include "plugin/host/host_handler.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/prefs/engine_outside.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

extern "C" OSStatus iTunesPluginMainMachO(OSType message, PluginMessageInfo* messageInfo, void* refCon);

namespace {

TempHome home; // HOME for the whole binary: the root is made once per process

PlayerRegisterVisualPluginMessage registered;
OSType lastHostCall = 0;
OSStatus hostAnswer = noErr;

OSStatus fakeHost(void*, OSType message, PlayerMessageInfo* info) {
    lastHostCall = message;
    EXPECT_EQ(info->messageMajorVersion, 10u);
    EXPECT_EQ(info->messageMinorVersion, 6u);
    if (message == kPlayerRegisterVisualPluginMessage) registered = info->u.registerVisualPluginMessage;
    if (message == kPlayerGetPluginITFileSpecMessage) {
        info->u.getPluginITFileSpecMessage.fileSpec->name[0] = 8;
        std::memcpy(info->u.getPluginITFileSpecMessage.fileSpec->name + 1, "Voxtrail", 8);
    }
    return hostAnswer;
}

int installs = 0, removals = 0;
int windowToken = 0;
void* activeWindow(void*) {
    return &windowToken;
}
void* install(void*, void*, VxMouseHandlerProc, void*) {
    ++installs;
    return &installs;
}
void remove(void*, void*) {
    ++removals;
}
VxHostServices services = [] {
    VxHostServices t = currentHostServices();
    t.activeNonFloatingWindow = activeWindow;
    t.installMouseHandler = install;
    t.removeMouseHandler = remove;
    return t;
}();

uint32_t portPixels[400 * 300];
VxHostPort port{portPixels, 400, 300, 400 * 4, nullptr, nullptr, nullptr, nullptr};

class HostSession : public ::testing::Test {
  protected:
    static VisualPluginData* data;

    static void SetUpTestSuite() {
        vx::setHostServicesForTesting(&services);
        home.write("Library/Application Support/Voxtrail/FirstRun", "");
        VisualPluginMessageInfo info{};
        info.u.initMessage.appProc = fakeHost;
        ASSERT_EQ(VisualPluginHandler(kVisualPluginInitMessage, &info, nullptr), noErr);
        data = static_cast<VisualPluginData*>(info.u.initMessage.refCon);
        ASSERT_NE(data, nullptr);
    }

    // The host always says cleanup before it quits; without it the update thread would still be
    // running while the process tears its libraries down.
    static void TearDownTestSuite() {
        if (data) VisualPluginHandler(kVisualPluginCleanupMessage, nullptr, data);
        data = nullptr;
    }

    static OSStatus send(OSType message, VisualPluginMessageInfo* info = nullptr) {
        return VisualPluginHandler(message, info, data);
    }
    static OSStatus show(OSType message, int16_t top, int16_t left, int16_t bottom, int16_t right) {
        VisualPluginMessageInfo info{};
        info.u.showWindowMessage.port = &port;
        info.u.showWindowMessage.drawRect = {top, left, bottom, right};
        return send(message, &info);
    }
    static OSStatus key(unsigned char c, uint16_t what = keyDown, uint16_t modifiers = 0) {
        EventRecord ev{};
        ev.what = what;
        ev.message = c;
        ev.modifiers = modifiers;
        VisualPluginMessageInfo info{};
        info.u.eventMessage.event = &ev;
        return send(kVisualPluginEventMessage, &info);
    }
    static std::string text(void (ProtectedData::*get)(char*)) {
        char buf[256];
        (gVoxtrail->state.*get)(buf);
        return buf;
    }
    static void type(const char* s) {
        for (; *s; ++s)
            key(static_cast<unsigned char>(*s));
    }
};
VisualPluginData* HostSession::data = nullptr;

} // namespace

TEST(PluginEntry, RegistersWithTheHost) {
    PluginMessageInfo info{};
    info.u.initMessage.appProc = fakeHost;
    hostAnswer = noErr;
    ASSERT_EQ(iTunesPluginMainMachO(kPluginInitMessage, &info, nullptr), noErr);
    EXPECT_EQ(lastHostCall, static_cast<OSType>(kPlayerRegisterVisualPluginMessage));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(registered.name + 1), registered.name[0]), "Voxtrail");
    EXPECT_EQ(registered.options, 40u);
    EXPECT_EQ(registered.creator, VX_FOURCC('?', '?', '?', '?'));
    EXPECT_EQ(registered.pluginVersion.majorRev, 2);
    EXPECT_EQ(registered.pluginVersion.minorAndBugRev, 9);
    EXPECT_EQ(registered.pluginVersion.stage, 0x80);
    EXPECT_EQ(registered.handler, &VisualPluginHandler);
    EXPECT_EQ(registered.timeBetweenDataInMS, 1000000u);
    EXPECT_EQ(registered.minWidth, 64);
    EXPECT_EQ(registered.maxHeight, 32767);

    hostAnswer = -1234; // the host's answer is the entry's result
    EXPECT_EQ(iTunesPluginMainMachO(kPluginInitMessage, &info, nullptr), -1234);
    hostAnswer = noErr;
    EXPECT_EQ(iTunesPluginMainMachO(kPluginCleanupMessage, nullptr, nullptr), noErr);
    EXPECT_EQ(iTunesPluginMainMachO(VX_FOURCC('x', 'x', 'x', 'x'), nullptr, nullptr), unimpErr);
    EXPECT_EQ(iTunesPluginMainMachO(kPluginInitMessage, nullptr, nullptr), paramErr);
}

TEST(PluginEntry, HostRecordAllocationFailureMakesNothing) {
    setHostRecordAllocatorForTesting([](std::size_t, std::size_t) -> void* { return nullptr; });
    VisualPluginMessageInfo info{};
    info.u.initMessage.appProc = fakeHost;
    EXPECT_EQ(VisualPluginHandler(kVisualPluginInitMessage, &info, nullptr), memFullErr);
    EXPECT_EQ(info.u.initMessage.refCon, nullptr);
    setHostRecordAllocatorForTesting(nullptr);
    EXPECT_EQ(VisualPluginHandler(kVisualPluginInitMessage, nullptr, nullptr), paramErr);
}

TEST_F(HostSession, FirstRunMarkerIsConsumedAndClearsTheVersionFlag) {
    ASSERT_NE(gVoxtrail, nullptr);
    EXPECT_FALSE(std::filesystem::exists(home.supportFolder() + "FirstRun"));
    EXPECT_FALSE(gVoxtrail->state.getVoxtrail_version_update());
    EXPECT_EQ(data->pluginFileSpec.name[0], 8);
    EXPECT_FALSE(consumeFirstRunMarker());
}

TEST_F(HostSession, ShowBuildsTheBufferOnceAndHideDropsThePort) {
    const int before = installs;
    ASSERT_EQ(show(kVisualPluginShowWindowMessage, 40, 10, 240, 310), noErr);
    ASSERT_NE(data->offscreen, nullptr);
    EXPECT_EQ(data->offscreen->width, 300);
    EXPECT_EQ(data->offscreen->height, 200);
    GWorldPtr first = data->offscreen;
    EXPECT_EQ(show(kVisualPluginShowWindowMessage, 40, 10, 240, 310), noErr);
    EXPECT_EQ(data->offscreen, first); // unchanged rectangle keeps the buffer
    EXPECT_EQ(installs, before + 2);
    EXPECT_EQ(show(kVisualPluginSetWindowMessage, 40, 10, 140, 110), noErr);
    EXPECT_EQ(data->offscreen->width, 100);
    EXPECT_EQ(data->destRect.bottom, 140);

    const int removedBefore = removals;
    EXPECT_EQ(send(kVisualPluginHideWindowMessage), noErr);
    EXPECT_EQ(data->destPort, nullptr);
    EXPECT_EQ(removals, removedBefore + 1);
}

TEST_F(HostSession, AShowWithoutABufferStillInstallsTheMouseHandler) {
    const int before = installs;
    EXPECT_EQ(show(kVisualPluginShowWindowMessage, 0, 0, 32767, 32767), memFullErr);
    EXPECT_EQ(data->destPort, nullptr);
    EXPECT_EQ(installs, before + 1);
    EXPECT_EQ(send(kVisualPluginIdleMessage), noErr); // nothing to draw into: no crash
    send(kVisualPluginHideWindowMessage);
}

TEST_F(HostSession, PlayAndPauseTrackThePlayingFlag) {
    ITTrackInfoV1 track{};
    track.artist[0] = 5;
    std::memcpy(track.artist + 1, "Wilco", 5);
    VisualPluginMessageInfo info{};
    info.u.playMessage.trackInfo = &track;
    EXPECT_EQ(send(kVisualPluginPlayMessage, &info), noErr);
    EXPECT_TRUE(data->playing);
    EXPECT_EQ(std::memcmp(data->trackInfo.artist, "\5Wilco", 6), 0);
    EXPECT_EQ(data->streamInfo.streamTitle[0], 0);
    EXPECT_EQ(send(kVisualPluginPauseMessage), noErr);
    EXPECT_FALSE(data->playing);
    EXPECT_EQ(send(kVisualPluginChangeTrackMessage, &info), noErr);
    EXPECT_FALSE(data->playing); // a track change does not start playing
    EXPECT_EQ(send(kVisualPluginUnpauseMessage), noErr);
    EXPECT_EQ(send(kVisualPluginStopMessage), noErr);
    EXPECT_TRUE(data->playing);
    EXPECT_EQ(send(kVisualPluginHideWindowMessage), noErr);
    EXPECT_EQ(data->trackInfo.artist[0], 0);
    EXPECT_EQ(send(kVisualPluginPlayMessage, nullptr), noErr); // no block: zero-filled track
    EXPECT_EQ(send(VX_FOURCC('z', 'z', 'z', 'z')), unimpErr);
    // No preferences window yet: the configure command must not report that one opened.
    EXPECT_EQ(send(kVisualPluginConfigureMessage), unimpErr);
    EXPECT_EQ(send(kVisualPluginShowWindowMessage, nullptr), paramErr);
    EXPECT_EQ(send(kVisualPluginEventMessage, nullptr), unimpErr);
}

TEST_F(HostSession, TypingEditsCityStateAndRadius) {
    ProtectedData& st = gVoxtrail->state;
    st.setCurCityDisplay("");
    st.setCurStateDisplay("");
    st.setUpdatingCity(true);
    type("Boston 9[_`{");
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Boston [_`");
    key(8);
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Boston [_");
    EXPECT_EQ(key(9), noErr);
    EXPECT_FALSE(st.getUpdatingCity());
    EXPECT_TRUE(st.getUpdatingState());
    type("MA");
    EXPECT_EQ(key(9), noErr); // tab moves on without a search
    EXPECT_TRUE(st.getUpdatingSearchRadius());
    EXPECT_EQ(text(&ProtectedData::getCurStateDisplay), "MA");
    st.setCurSearchRadiusDisplay("");
    type("4x 0 00");
    EXPECT_EQ(text(&ProtectedData::getCurSearchRadiusDisplay), "4 0 ");
    st.setCurSearchRadiusDisplay("45");
    type("00");
    key(13, autoKey);
    EXPECT_FALSE(st.getUpdatingSearchRadius());
    // Above the largest radius: refused, the field shows the radius searched.
    EXPECT_EQ(text(&ProtectedData::getCurSearchRadiusDisplay), "75");

    // Return in the state field ends editing and asks for a search.
    st.setUpdatingState(true);
    EXPECT_EQ(key(13), noErr);
    EXPECT_FALSE(st.getUpdatingState());
    EXPECT_EQ(key(keyUp, keyUp), unimpErr);
}

// Select all (Control-A as code 1, or the letter with Command or Control) in each field: the next
// accepted key replaces the text, backspace clears it, a refused key only ends the selection.
TEST_F(HostSession, SelectAllInEachFieldIsReplacedByTheNextKey) {
    ProtectedData& st = gVoxtrail->state;
    const std::tuple<void (ProtectedData::*)(bool), void (ProtectedData::*)(char*), const char*> fields[] = {
        {&ProtectedData::setUpdatingCity, &ProtectedData::getCurCityDisplay, "9Lyon"},
        {&ProtectedData::setUpdatingState, &ProtectedData::getCurStateDisplay, "9NY"},
        {&ProtectedData::setUpdatingSearchRadius, &ProtectedData::getCurSearchRadiusDisplay, "x50"}};
    for (const auto& [editing, shown, keys] : fields)
        for (const auto& [code, modifiers] :
             {std::pair<unsigned char, uint16_t>{1, 0}, {'a', cmdKey}, {'A', controlKey}}) {
            st.setCurSearchRadiusDisplay("75");
            (st.*editing)(true);
            EXPECT_EQ(key(code, keyDown, modifiers), noErr);
            const std::string before = text(shown);
            key(keys[0]);
            EXPECT_EQ(text(shown), before) << "a refused key leaves the text";
            key(code, keyDown, modifiers);
            type(keys + 1);
            EXPECT_EQ(text(shown), keys + 1);
            key(code, keyDown, modifiers);
            key(8);
            EXPECT_EQ(text(shown), "");
            (st.*editing)(false);
        }
    EXPECT_EQ(key('a', keyDown, cmdKey), unimpErr) << "not while no field is edited";
}

TEST_F(HostSession, TypedLettersBeyondAsciiArriveAsUtf8) {
    ProtectedData& st = gVoxtrail->state;
    st.setCurCityDisplay("");
    st.setUpdatingCity(true);
    // Key codes above 127 are Mac OS Roman: 0x9F is "ü", 0x96 "ñ", 0x8B "ã".
    type("Z\x9Frich");
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Zürich");
    key(8);
    key(8);
    key(8);
    key(8);
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Zü");
    key(8);
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Z") << "backspace takes the whole letter";
    st.setCurCityDisplay("");
    type("Espa\x96ola S\x8Bo");
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Española São");
    // Signs of that set are no letters of a place.
    st.setCurCityDisplay("");
    type("a\xA5\xD6\xA9"
         "b");
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "ab");
    key(9);
    st.setCurStateDisplay("");
    type("Z\x9Frich");
    EXPECT_EQ(text(&ProtectedData::getCurStateDisplay), "Zürich");
    st.setUpdatingState(false);
}

TEST_F(HostSession, ArrowsMoveTheListWhenNotEditing) {
    gVoxtrail->view.setCurVisShowListOffset(0);
    EXPECT_EQ(key(31), noErr);
    EXPECT_EQ(gVoxtrail->view.curVisShowListOffset, -20);
    EXPECT_EQ(key(30), noErr);
    EXPECT_EQ(gVoxtrail->view.curVisShowListOffset, 0);
    const int month = gVoxtrail->view.curVisMonth;
    EXPECT_EQ(key(29), noErr); // no shows: every month is open
    EXPECT_EQ(gVoxtrail->view.curVisMonth, month % 12 + 1);
    EXPECT_EQ(key(28), noErr);
    EXPECT_EQ(gVoxtrail->view.curVisMonth, month);
    EXPECT_EQ(key('a'), unimpErr);

    EventRecord click{};
    click.what = mouseDown;
    click.where = {120, 80};
    VisualPluginMessageInfo info{};
    info.u.eventMessage.event = &click;
    EXPECT_EQ(send(kVisualPluginEventMessage, &info), unimpErr);
    EXPECT_EQ(gVoxtrail->view.mouseX, 80);
    EXPECT_EQ(gVoxtrail->view.mouseY, 120);
}

// Last in the file: it ends this process's first session. After a cleanup and a new init the
// engine's queues must take the user's actions again, not drop them as they did at shutdown.
TEST_F(HostSession, ActionsAreCarriedOutAfterCleanupAndANewInit) {
    ASSERT_EQ(send(kVisualPluginCleanupMessage), noErr);
    VisualPluginMessageInfo info{};
    info.u.initMessage.appProc = fakeHost;
    ASSERT_EQ(VisualPluginHandler(kVisualPluginInitMessage, &info, nullptr), noErr);
    data = static_cast<VisualPluginData*>(info.u.initMessage.refCon);
    CalGetData& engine = gVoxtrail->engine;
    engine.actions.drain();
    if (engine.updateThreadHandle.joinable()) engine.updateThreadHandle.join(); // init's refresh

    // The preferences window's OK after a friend was added: the save goes on the queue, and a
    // refresh being stopped while it waits delays it rather than drops it.
    std::filesystem::remove(home.preferences());
    EngineOutside window(engine);
    ASSERT_TRUE(window.addFriend("pal"));
    gVoxtrail->state.setForceUpdate(true);
    window.savePreferences();
    // Time for the save to meet the stop: too little would only leave the delay untested.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    gVoxtrail->state.setForceUpdate(false);
    engine.actions.drain();
    EXPECT_NE(home.read(home.preferences()).find("\npal@@\n"), std::string::npos);

    bool exported = false;
    engine.actions.post(ActionQueue::Kind::Export, [&] { exported = true; });
    engine.actions.drain();
    EXPECT_TRUE(exported);
}
