#include "player/player_session.h"

#include "player/bundle_finder.h"
#include "player/output.h"
#include "player/pane_geometry.h"
#include "player/track_record.h"

#include "common/fixed_text.h"

#include <QImage>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace vx::player {

namespace {

// Classic event records carry the time in ticks (sixtieths of a second).
uint32_t ticksNow() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() *
                                 60 / 1000);
}

int16_t toPortCoordinate(int v) {
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

std::string fourCC(OSType t) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((t >> (24 - 8 * i)) & 0xFF);
    return s;
}

// Increments a depth counter for the life of a call into the plug-in or a dialog.
class DepthGuard {
  public:
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    int& depth_;
};

} // namespace

PlayerSession::PlayerSession(SessionOptions options, MusicLibrary library, HostDialogs& dialogs)
    : options_(std::move(options)), library_(std::move(library)), dialogs_(dialogs),
      hostThread_(std::this_thread::get_id()), port_([this] {
          QMetaObject::invokeMethod(
              &context_,
              [this] {
                  port_.repaintTaken();
                  if (onRepaint_) onRepaint_();
              },
              Qt::QueuedConnection);
      }),
      queue_([this] {
          QMetaObject::invokeMethod(
              &context_, [this] { queue_.runPending(); }, Qt::QueuedConnection);
      }),
      windows_([this](const std::function<void()>& call) {
          DepthGuard depth(callDepth_);
          call();
      }) {
    hostServices_ = makeHostServiceTable(this);
}

PlayerSession::~PlayerSession() {
    shutdown();
}

void PlayerSession::loadPlugins(const std::vector<std::string>& folders) {
    NumVersion appVersion = toNumVersion(options_.hostVersion);
    std::vector<BundleInfo> passedOver;
    const std::vector<BundleInfo> found = findBundles(folders, &passedOver);
    for (const BundleInfo& info : passedOver)
        printNote("plug-in " + info.name + " " + info.version + " passed over for the user's own copy (" +
                  info.path + ")");
    for (const BundleInfo& info : found) {
        std::string error;
        auto bundle = PluginBundle::load(
            info, appVersion, &hostServices_, [this] { beforeUnload(); }, error);
        if (!bundle) {
            printNote("plug-in " + info.name + " left out: " + error + " (" + info.path + ")");
            continue;
        }
        printLine("loaded: " + info.path + " " + info.name + " " + info.version);
        bundles_.push_back(std::move(bundle));
    }
    for (const auto& b : bundles_) {
        for (const auto& v : b->visualizers()) {
            if (active_) break;
            if (options_.visualizerName.empty() || options_.visualizerName == v->name() ||
                options_.visualizerName == b->info().name)
                active_ = v.get();
        }
    }
    if (!active_ && !options_.visualizerName.empty())
        printNote("no visual plug-in named " + options_.visualizerName);
}

std::vector<Visualizer*> PlayerSession::visualizers() const {
    std::vector<Visualizer*> all;
    for (const auto& b : bundles_)
        for (const auto& v : b->visualizers())
            all.push_back(v.get());
    return all;
}

void PlayerSession::setActiveVisualizer(Visualizer* v) {
    if (!v || v == active_) return;
    const bool wasShown = shown_;
    hide();
    active_ = v;
    if (wasShown) show(paneWidth_, paneHeight_);
}

OSStatus PlayerSession::send(OSType message, VisualPluginMessageInfo* info) {
    if (!active_) return unimpErr;
    VisualPluginMessageInfo empty;
    if (!info) {
        std::memset(&empty, 0, sizeof empty);
        info = &empty;
    }
    DepthGuard depth(callDepth_);
    OSStatus s = active_->send(message, info);
    if (s != noErr && s != unimpErr)
        printNote("visualizer answered \"" + fourCC(message) + "\" with status " + std::to_string(s));
    return s;
}

Rect PlayerSession::paneRect() const {
    return paneRectFor(paneWidth_, paneHeight_);
}

void PlayerSession::reallocatePort() {
    port_.reallocate(portWidthFor(paneWidth_), portHeightFor(paneHeight_), paneRect());
}

void PlayerSession::show(int width, int height) {
    if (shown_) {
        resize(width, height);
        return;
    }
    paneWidth_ = width;
    paneHeight_ = height;
    reallocatePort();
    shown_ = true;
    VisualPluginMessageInfo info;
    std::memset(&info, 0, sizeof info);
    info.u.showWindowMessage.port = port_.port();
    info.u.showWindowMessage.drawRect = paneRect();
    send(kVisualPluginShowWindowMessage, &info);
}

void PlayerSession::resize(int width, int height) {
    if (width == paneWidth_ && height == paneHeight_ && port_.hasPixels()) return;
    paneWidth_ = width;
    paneHeight_ = height;
    if (!shown_) return;
    reallocatePort();
    VisualPluginMessageInfo info;
    std::memset(&info, 0, sizeof info);
    info.u.setWindowMessage.port = port_.port();
    info.u.setWindowMessage.drawRect = paneRect();
    send(kVisualPluginSetWindowMessage, &info);
}

void PlayerSession::hide() {
    if (!shown_) return;
    shown_ = false;
    send(kVisualPluginHideWindowMessage, nullptr);
}

void PlayerSession::idle(int count) {
    if (!shown_ || !active_ || !active_->wantsIdle()) return;
    for (int i = 0; i < count; ++i)
        send(kVisualPluginIdleMessage, nullptr);
}

void PlayerSession::key(uint8_t code, uint16_t what, uint16_t modifiers) {
    EventRecord ev;
    std::memset(&ev, 0, sizeof ev);
    ev.what = what;
    ev.message = code;
    ev.when = ticksNow();
    ev.modifiers = modifiers;
    VisualPluginMessageInfo info;
    std::memset(&info, 0, sizeof info);
    info.u.eventMessage.event = &ev;
    send(kVisualPluginEventMessage, &info);
}

Point PlayerSession::portLocation(int paneX, int paneY) const {
    int y = paneY + paneTop();
    if (hasMouseOffsetQuirk(options_.hostVersion)) y -= kMouseQuirkOffset;
    Point p;
    p.h = toPortCoordinate(paneX + paneLeft());
    p.v = toPortCoordinate(y);
    return p;
}

void PlayerSession::mouse(uint32_t kind, int paneX, int paneY, uint16_t button, uint32_t modifiers,
                          int32_t wheelDelta) {
    VxMouseEvent ev{};
    ev.kind = kind;
    ev.location = portLocation(paneX, paneY);
    ev.button = button;
    ev.modifiers = modifiers;
    ev.wheelDelta = wheelDelta;
    DepthGuard depth(callDepth_);
    mouseHandlers_.deliver(ev);
}

void PlayerSession::sendTrack(OSType message, const LibraryTrack& track) {
    ITTrackInfoV1 record = makeTrackRecord(track);
    VisualPluginMessageInfo info;
    std::memset(&info, 0, sizeof info);
    if (message == kVisualPluginPlayMessage) {
        info.u.playMessage.trackInfo = &record;
        info.u.playMessage.volume = 100;
        info.u.playMessage.bitRate = track.bitRate;
        info.u.playMessage.sampleRate = track.sampleRate;
    } else {
        info.u.changeTrackMessage.trackInfo = &record;
    }
    send(message, &info);
}

const MusicLibrary& PlayerSession::library() const {
    if (librarySource_) {
        library_ = std::exchange(librarySource_, nullptr)();
    }
    return library_;
}

void PlayerSession::deferLibrary(std::function<MusicLibrary()> source, std::function<bool()> ready) {
    librarySource_ = std::move(source);
    libraryReady_ = std::move(ready);
}

bool PlayerSession::libraryLoaded() const {
    return !librarySource_ || !libraryReady_ || libraryReady_();
}

void PlayerSession::play(const std::string& artist, const std::string& album) {
    const std::vector<LibraryTrack>& tracks = library().tracks;
    auto it = std::find_if(tracks.begin(), tracks.end(),
                           [&](const LibraryTrack& t) { return t.artist == artist && t.album == album; });
    if (it != tracks.end()) {
        playTrack(static_cast<size_t>(it - tracks.begin()));
        return;
    }
    adHocTrack_ = LibraryTrack{};
    adHocTrack_.artist = artist;
    adHocTrack_.album = album;
    playingAdHoc_ = true;
    playing_ = true;
    sendTrack(kVisualPluginPlayMessage, adHocTrack_);
}

void PlayerSession::playTrack(size_t index) {
    if (index >= library().tracks.size()) return;
    currentIndex_ = static_cast<long>(index);
    playingAdHoc_ = false;
    playing_ = true;
    sendTrack(kVisualPluginPlayMessage, library_.tracks[index]);
}

bool PlayerSession::next() {
    if (library().tracks.empty()) return false;
    currentIndex_ = (currentIndex_ + 1) % static_cast<long>(library_.tracks.size());
    playingAdHoc_ = false;
    sendTrack(kVisualPluginChangeTrackMessage, library_.tracks[static_cast<size_t>(currentIndex_)]);
    return true;
}

void PlayerSession::pause() {
    playing_ = false;
    send(kVisualPluginPauseMessage, nullptr);
}

void PlayerSession::unpause() {
    playing_ = true;
    send(kVisualPluginUnpauseMessage, nullptr);
}

const LibraryTrack* PlayerSession::currentTrack() const {
    if (playingAdHoc_) return &adHocTrack_;
    if (currentIndex_ < 0) return nullptr;
    return &library_.tracks[static_cast<size_t>(currentIndex_)];
}

bool PlayerSession::configure() {
    if (!active_ || !active_->wantsConfigure()) return false;
    // A plug-in that cannot open its options answers with an error; that is no options either.
    return send(kVisualPluginConfigureMessage, nullptr) == noErr;
}

bool PlayerSession::snapshot(const std::string& path) const {
    if (!port_.hasPixels() || paneWidth_ <= 0 || paneHeight_ <= 0) return false;
    Rect r = paneRect();
    std::vector<uint32_t> pixels = port_.copyRect(r.left, r.top, paneWidth_, paneHeight_);
    // The window shows the pixels opaque, whatever their alpha; so does the snapshot.
    QImage image(reinterpret_cast<const uchar*>(pixels.data()), paneWidth_, paneHeight_, paneWidth_ * 4,
                 QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG");
}

void PlayerSession::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    hide();
    queue_.runPending(); // work posted so far still finds the plug-in alive
    active_ = nullptr;
    for (auto& b : bundles_)
        b.reset(); // cleanup messages, posted work, then the library closes
    bundles_.clear();
    queue_.runPending();
    mouseHandlers_.clear(); // a plug-in that left its handler installed is gone now
}

void PlayerSession::beforeUnload() {
    queue_.runPending();
    const auto [windows, timers] = windows_.disposeAll();
    if (windows > 0 || timers > 0)
        printNote("the plug-in left " + std::to_string(windows) + " window(s) and " + std::to_string(timers) +
                  " timer(s) at cleanup; closed");
}

bool PlayerSession::onHostThread(const char* service) const {
    if (std::this_thread::get_id() == hostThread_) return true;
    printNote(std::string(service) + " called off the host thread; refused");
    return false;
}

void* PlayerSession::activeNonFloatingWindow() {
    if (!onHostThread("activeNonFloatingWindow")) return nullptr;
    return &windowToken_;
}

void* PlayerSession::installMouseHandler(void* window, VxMouseHandlerProc proc, void* userData) {
    if (!onHostThread("installMouseHandler") || window != &windowToken_) return nullptr;
    return mouseHandlers_.install(proc, userData);
}

void PlayerSession::removeMouseHandler(void* handlerRef) {
    if (!onHostThread("removeMouseHandler")) return;
    mouseHandlers_.remove(handlerRef);
}

int32_t PlayerSession::showAlert(const char* title, const char* message, const char* defaultButton,
                                 const char* cancelButton) {
    if (!onHostThread("showAlert")) return 0;
    std::string def = (defaultButton && *defaultButton) ? defaultButton : "OK";
    DepthGuard depth(callDepth_);
    return dialogs_.alert(title ? title : "", message ? message : "", def, cancelButton ? cancelButton : "");
}

int32_t PlayerSession::chooseFile(const char* title, const char* folder, char* outPath, uint32_t capacity) {
    if (!onHostThread("chooseFile") || !outPath || capacity == 0) return -1;
    std::optional<std::string> file;
    {
        DepthGuard depth(callDepth_);
        file = dialogs_.chooseFile(title ? title : "", folder ? folder : "");
    }
    if (!file) return -1;
    if (file->size() >= capacity) {
        printNote("chosen file's path does not fit in " + std::to_string(capacity) +
                  " bytes; treated as cancelled");
        return -1;
    }
    vx::copyText(outPath, capacity, file->c_str());
    return 0;
}

OSStatus PlayerSession::openURL(const char* url) {
    if (!onHostThread("openURL")) return paramErr;
    if (!url || !isOpenableUrl(url)) {
        printNote(std::string("refused to open \"") + (url ? oneLine(url) : "") + "\": not a URL");
        return paramErr;
    }
    return dialogs_.openUrl(url) ? noErr : paramErr;
}

void PlayerSession::copyToClipboard(const char* text) {
    if (onHostThread("copyToClipboard")) dialogs_.copyText(text ? text : "");
}

void PlayerSession::postToHostThread(void (*fn)(void*), void* ctx) {
    queue_.post(fn, ctx);
}

vx::InterfaceWindows* PlayerSession::windowServices(const char* service) {
    return onHostThread(service) ? &windows_ : nullptr;
}

void PlayerSession::systemVersion(int32_t* major, int32_t* minor) {
    if (major) *major = options_.osVersion.major;
    if (minor) *minor = options_.osVersion.minor;
}

} // namespace vx::player
