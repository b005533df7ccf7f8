// A visual plug-in for the player's tests: registers like a real one, writes every message it
// receives to a log, draws a known picture into the port, and uses the host services on keys.
// Its behaviour comes from Contents/Resources/fake.conf in its own bundle:
//   mode=normal | fail-init | bad-version | no-register | fail-handler-init
//   log=PATH   (default Contents/Resources/messages.log)
#include "platform/visual_plugin_api.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr uint32_t kPaneFill = 0xFF3366CC;
constexpr uint32_t kCornerMark = 0xFFFF0000;
constexpr uint32_t kThreadFill = 0xFF00AA00;

struct Config {
    std::string mode = "normal";
    std::string log;
    std::string bundleName;
};

Config& config() {
    static Config c;
    return c;
}

void logLine(const std::string& line) {
    if (FILE* f = std::fopen(config().log.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

void loadConfig() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&loadConfig), &info);
    std::string exe = info.dli_fname ? info.dli_fname : "";
    std::string contents = exe.substr(0, exe.rfind("/MacOS/"));
    std::string bundle = contents.substr(0, contents.rfind('/'));
    config().bundleName = bundle.substr(bundle.rfind('/') + 1);
    config().log = contents + "/Resources/messages.log";
    std::ifstream in(contents + "/Resources/fake.conf");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("mode=", 0) == 0) config().mode = line.substr(5);
        if (line.rfind("log=", 0) == 0) config().log = line.substr(4);
    }
}

// The host's table from the entry's init record, when it is one this plug-in knows.
const VxHostServices* hostTable = nullptr;

const VxHostServices* services() {
    return hostTable;
}

// The Pascal string at a byte offset of a record, read by offset so that layout faults show.
std::string pascalAt(const void* record, size_t offset) {
    const auto* p = static_cast<const unsigned char*>(record) + offset;
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

struct State {
    ITAppProcPtr hostProc = nullptr;
    void* hostCookie = nullptr;
    VxHostPort* port = nullptr;
    Rect rect{};
    void* mouseRef = nullptr;
    std::thread::id hostThread;
};

void fillPane(VxHostPort* port, const Rect& r, uint32_t color) {
    port->lockPixels(port->hostContext);
    for (int y = r.top; y < r.bottom && y < port->height; ++y) {
        uint32_t* row =
            reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(port->pixels) + y * port->rowBytes);
        for (int x = r.left; x < r.right && x < port->width; ++x)
            row[x] = color;
    }
    if (r.top < port->height && r.left < port->width) {
        reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(port->pixels) + r.top * port->rowBytes)[r.left] =
            kCornerMark;
    }
    port->unlockPixels(port->hostContext);
    port->postRepaint(port->hostContext);
}

std::string rectText(const Rect& r) {
    return std::to_string(r.top) + "," + std::to_string(r.left) + "," + std::to_string(r.bottom) + "," +
           std::to_string(r.right);
}

OSStatus mouseHandler(const VxMouseEvent* e, void*) {
    logLine("mouse kind=" + std::to_string(e->kind) + " h=" + std::to_string(e->location.h) +
            " v=" + std::to_string(e->location.v) + " button=" + std::to_string(e->button) +
            " mods=" + std::to_string(e->modifiers) + " delta=" + std::to_string(e->wheelDelta));
    return -9874; // let the host have it too
}

void postedOnHost(void* ctx) {
    auto* state = static_cast<State*>(ctx);
    logLine(std::string("posted ran on-host=") +
            (std::this_thread::get_id() == state->hostThread ? "1" : "0"));
}

OSStatus onKey(State* s, unsigned char c) {
    const VxHostServices* hs = services();
    if (!hs) return unimpErr;
    switch (c) {
    case 'A': {
        int32_t b = hs->showAlert(hs->context, "Title A", "First line\nsecond line", "Go", "Stop");
        logLine("alert-answer " + std::to_string(b));
        return noErr;
    }
    case 'F': {
        char path[32] = "untouched";
        int32_t rc = hs->chooseFile(hs->context, "Locate the file", path, sizeof path);
        logLine("file-answer " + std::to_string(rc) + " " + path);
        return noErr;
    }
    case 'U':
        logLine("url-answer " + std::to_string(hs->openURL(hs->context, "http://example.com/a b?x=1&y=2")));
        logLine("bad-url-answer " + std::to_string(hs->openURL(hs->context, "--help")));
        return noErr;
    case 'P': {
        std::thread t([s, hs] { hs->postToHostThread(hs->context, &postedOnHost, s); });
        t.join();
        logLine("posted");
        return noErr;
    }
    case 'R': {
        // Draw from another thread and wait for it on the host thread: a host whose repaint
        // waited for its own thread would hang here.
        if (!s->port) return noErr;
        std::thread t([s] { fillPane(s->port, s->rect, kThreadFill); });
        t.join();
        logLine("thread-drawn");
        return noErr;
    }
    default:
        return unimpErr;
    }
}

OSStatus handler(OSType message, VisualPluginMessageInfo* info, void* refCon) {
    auto* s = static_cast<State*>(refCon);
    switch (message) {
    case kVisualPluginInitMessage: {
        if (config().mode == "fail-handler-init") return memFullErr;
        s = new State;
        s->hostProc = info->u.initMessage.appProc;
        s->hostCookie = info->u.initMessage.appCookie;
        s->hostThread = std::this_thread::get_id();
        info->u.initMessage.refCon = s;
        const NumVersion& v = info->u.initMessage.appVersion;
        logLine("init major=" + std::to_string(info->u.initMessage.messageMajorVersion) +
                " app=" + std::to_string(v.majorRev) + "." + std::to_string(v.minorAndBugRev >> 4) + "." +
                std::to_string(v.minorAndBugRev & 0xF));
        PlayerMessageInfo pm;
        std::memset(&pm, 0, sizeof pm);
        pm.messageMajorVersion = kPluginMessageMajorVersion;
        pm.messageMinorVersion = kPluginMessageMinorVersion;
        pm.messageInfoSize = sizeof pm;
        FSSpec spec{};
        pm.u.getPluginITFileSpecMessage.fileSpec = &spec;
        OSStatus st = s->hostProc(s->hostCookie, kPlayerGetPluginITFileSpecMessage, &pm);
        logLine("itfs " + std::to_string(st) + " " + pascalAt(&spec, offsetof(FSSpec, name)));
        if (const VxHostServices* hs = services()) {
            int32_t major = 0, minor = 0;
            hs->systemVersion(hs->context, &major, &minor);
            logLine("sysv " + std::to_string(major) + "." + std::to_string(minor));
        }
        return noErr;
    }
    case kVisualPluginCleanupMessage:
        logLine("clr");
        delete s;
        return noErr;
    case kVisualPluginShowWindowMessage:
    case kVisualPluginSetWindowMessage: {
        VxHostPort* port = info->u.showWindowMessage.port;
        s->port = port;
        s->rect = info->u.showWindowMessage.drawRect;
        port->lockPixels(port->hostContext);
        std::string size = std::to_string(port->width) + "x" + std::to_string(port->height);
        port->unlockPixels(port->hostContext);
        logLine(std::string(message == kVisualPluginShowWindowMessage ? "show" : "swin") + " port=" + size +
                " rect=" + rectText(s->rect));
        fillPane(port, s->rect, kPaneFill);
        if (message == kVisualPluginShowWindowMessage) {
            if (const VxHostServices* hs = services()) {
                s->mouseRef = hs->installMouseHandler(hs->context, hs->activeNonFloatingWindow(hs->context),
                                                      &mouseHandler, s);
            }
        }
        return noErr;
    }
    case kVisualPluginHideWindowMessage: {
        logLine("hide");
        // Like an update thread finishing as the pane goes: work posted now must still run
        // while the plug-in is alive.
        if (const VxHostServices* hs = services()) {
            std::thread t([hs] {
                hs->postToHostThread(
                    hs->context, +[](void*) { logLine("posted at hide"); }, nullptr);
            });
            t.join();
        }
        s->port = nullptr;
        if (const VxHostServices* hs = services(); hs && s->mouseRef)
            hs->removeMouseHandler(hs->context, s->mouseRef);
        s->mouseRef = nullptr;
        return noErr;
    }
    case kVisualPluginIdleMessage:
        logLine("null");
        return noErr;
    case kVisualPluginPlayMessage:
    case kVisualPluginChangeTrackMessage: {
        const void* track = message == kVisualPluginPlayMessage
                                ? static_cast<const void*>(info->u.playMessage.trackInfo)
                                : info->u.changeTrackMessage.trackInfo;
        uint32_t length = 0;
        std::memcpy(&length, track, sizeof length);
        logLine(std::string(message == kVisualPluginPlayMessage ? "vply" : "ctrk") +
                " length=" + std::to_string(length) + " name=" + pascalAt(track, 264) +
                " artist=" + pascalAt(track, 520) + " album=" + pascalAt(track, 776));
        return noErr;
    }
    case kVisualPluginPauseMessage:
        logLine("vpau");
        return noErr;
    case kVisualPluginUnpauseMessage:
        logLine("vunp");
        return noErr;
    case kVisualPluginConfigureMessage:
        logLine("cnfg");
        return noErr;
    case kVisualPluginEventMessage: {
        const EventRecord* e = info->u.eventMessage.event;
        logLine("vevt what=" + std::to_string(e->what) + " char=" + std::to_string(e->message & 0xFF));
        if (e->what == keyDown || e->what == autoKey)
            return onKey(s, static_cast<unsigned char>(e->message & 0xFF));
        return unimpErr;
    }
    default:
        return unimpErr;
    }
}

OSStatus registerWithHost(PluginInitMessage& init) {
    PlayerMessageInfo pm;
    std::memset(&pm, 0, sizeof pm);
    pm.messageMajorVersion =
        config().mode == "bad-version" ? kPluginMessageMajorVersion + 1 : kPluginMessageMajorVersion;
    pm.messageMinorVersion = kPluginMessageMinorVersion;
    pm.messageInfoSize = sizeof pm;
    PlayerRegisterVisualPluginMessage& r = pm.u.registerVisualPluginMessage;
    std::string name = "Fake " + config().bundleName;
    r.name[0] = static_cast<unsigned char>(name.size());
    std::memcpy(r.name + 1, name.data(), name.size());
    r.options = kVisualWantsIdleMessages | kVisualWantsConfigure;
    r.creator = VX_FOURCC('?', '?', '?', '?');
    r.handler = &handler;
    r.minWidth = 64;
    r.minHeight = 64;
    r.maxWidth = 32767;
    r.maxHeight = 32767;
    return init.appProc(init.appCookie, kPlayerRegisterVisualPluginMessage, &pm);
}

} // namespace

#ifdef FAKE_NO_ENTRY
#define FAKE_ENTRY_NAME NotTheEntry
#else
#define FAKE_ENTRY_NAME iTunesPluginMainMachO
#endif

extern "C" __attribute__((visibility("default"))) OSStatus FAKE_ENTRY_NAME(OSType message,
                                                                           PluginMessageInfo* info, void*) {
    switch (message) {
    case kPluginInitMessage: {
        loadConfig();
        logLine("entry init major=" + std::to_string(info->u.initMessage.majorVersion) +
                " minor=" + std::to_string(info->u.initMessage.minorVersion));
        const PluginInitMessage* init = &info->u.initMessage;
        hostTable = VX_INIT_MESSAGE_HAS(init, hostServices) && init->hostServices &&
                            init->hostServices->version >= kVxHostServicesMinimumVersion &&
                            init->hostServices->size >= VX_HOST_SERVICES_MINIMUM_SIZE
                        ? init->hostServices
                        : nullptr;
        if (config().mode == "fail-init") return paramErr;
        if (config().mode == "no-register") return noErr;
        OSStatus s = registerWithHost(info->u.initMessage);
        logLine("rvis " + std::to_string(s));
        return s;
    }
    case kPluginCleanupMessage:
        logLine("entry clr");
        hostTable = nullptr;
        return noErr;
    default:
        return unimpErr;
    }
}
