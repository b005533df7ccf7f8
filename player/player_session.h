#pragma once
// The player itself: the loaded plug-ins, the pane and its port, the track being played, and
// the host services. Window and script both drive it; everything runs on the GUI thread
// except what the port and postToHostThread take from any thread.
#include "player/host_dialogs.h"
#include "player/host_port.h"
#include "player/host_service_table.h"
#include "player/host_thread_queue.h"
#include "player/host_version.h"
#include "player/mouse_handlers.h"
#include "player/music_library.h"
#include "player/visual_plugin.h"

#include "platform/qt/interface_windows.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vx::player {

struct SessionOptions {
    DottedVersion hostVersion{9, 1, 0};
    DottedVersion osVersion{10, 6, 0};
    std::string visualizerName; // "" picks the first one registered
};

class PlayerSession : public HostServiceBackend {
  public:
    PlayerSession(SessionOptions options, MusicLibrary library, HostDialogs& dialogs);
    ~PlayerSession() override;
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // Loads the bundles of the folders, earlier folders first (see findBundles); prints
    // "loaded: ..." for each one kept, notes the rest.
    void loadPlugins(const std::vector<std::string>& folders);
    Visualizer* activeVisualizer() const { return active_; }
    // Every visual plug-in loaded, in loading order.
    std::vector<Visualizer*> visualizers() const;
    // Makes v the active one; while the pane is shown, the old one is hidden and v shown in its
    // place at the same size.
    void setActiveVisualizer(Visualizer* v);

    // Called on the GUI thread after the port posted a repaint.
    void setRepaintHandler(std::function<void()> handler) { onRepaint_ = std::move(handler); }

    // The pane, in pane pixels. show while shown resizes.
    void show(int width, int height);
    void resize(int width, int height);
    void hide();
    bool isShown() const { return shown_; }
    int paneWidth() const { return paneWidth_; }
    int paneHeight() const { return paneHeight_; }
    Rect paneRect() const;

    // Idle messages, when shown and the visualizer asked for them.
    void idle(int count);
    // A key event with a classic character code.
    void key(uint8_t code, uint16_t what = keyDown, uint16_t modifiers = 0);
    // A mouse event at pane coordinates, given to the installed mouse handlers in port coordinates.
    void mouse(uint32_t kind, int paneX, int paneY, uint16_t button, uint32_t modifiers = 0,
               int32_t wheelDelta = 0);
    // The port location of a pane point as this host version reports it.
    Point portLocation(int paneX, int paneY) const;

    // Playing: "vply" with the library track of that artist and album (or a record of just those).
    void play(const std::string& artist, const std::string& album);
    void playTrack(size_t index);
    // "ctrk" with the next library track; false when the library has none.
    bool next();
    void pause();
    void unpause();
    bool isPlaying() const { return playing_; }
    const LibraryTrack* currentTrack() const;
    // The library, waiting for a deferred one to be read on first use.
    const MusicLibrary& library() const;
    // The library comes from source, called once when it is first needed (a large file is read
    // while the player starts up instead of before); ready says whether source would answer at once.
    void deferLibrary(std::function<MusicLibrary()> source, std::function<bool()> ready);
    // False while a deferred library is still being read: library() would wait for it.
    bool libraryLoaded() const;
    // "cnfg"; false when the visualizer has no options.
    bool configure();

    // Writes the pane's pixels as the port holds them; false when there is no pane or no file.
    bool snapshot(const std::string& path) const;

    // Hides, cleans up and unloads every plug-in. Once only; the destructor calls it too.
    void shutdown();

    // True while a message to the plug-in or a host dialog is in progress: event loops run
    // inside those, and nothing may call into the plug-in again from there.
    bool busy() const { return callDepth_ > 0; }

    HostDialogs& dialogs() { return dialogs_; }
    // The windows and timers the plug-ins made.
    vx::InterfaceWindows& interfaceWindows() { return windows_; }
    HostPort& port() { return port_; }
    size_t mouseHandlerCount() const { return mouseHandlers_.size(); }
    // False while the plug-in says it is still at work on what it was asked for.
    bool pluginIdle() const { return pluginIdle_; }

    // HostServiceBackend
    void* activeNonFloatingWindow() override;
    void* installMouseHandler(void* window, VxMouseHandlerProc proc, void* userData) override;
    void removeMouseHandler(void* handlerRef) override;
    int32_t showAlert(const char* title, const char* message, const char* defaultButton,
                      const char* cancelButton) override;
    int32_t chooseFile(const char* title, const char* folder, char* outPath, uint32_t capacity) override;
    OSStatus openURL(const char* url) override;
    void copyToClipboard(const char* text) override;
    void reportIdle(bool idle) override { pluginIdle_ = idle; }
    void postToHostThread(void (*fn)(void*), void* ctx) override;
    void systemVersion(int32_t* major, int32_t* minor) override;
    vx::InterfaceWindows* windowServices(const char* service) override;

  private:
    OSStatus send(OSType message, VisualPluginMessageInfo* info);
    void sendTrack(OSType message, const LibraryTrack& track);
    void reallocatePort();
    // Before a bundle's code goes: its posted work runs, and the windows and timers it left are
    // closed with a note.
    void beforeUnload();
    bool onHostThread(const char* service) const;

    SessionOptions options_;
    mutable MusicLibrary library_;
    mutable std::function<MusicLibrary()> librarySource_;
    std::function<bool()> libraryReady_;
    HostDialogs& dialogs_;
    std::thread::id hostThread_;
    std::atomic<bool> pluginIdle_{true};
    QObject context_; // target of what other threads post to the GUI thread
    std::function<void()> onRepaint_;
    HostPort port_;
    HostThreadQueue queue_;
    vx::InterfaceWindows windows_;
    VxHostServices hostServices_{}; // handed to every bundle at init; lives as long as the session
    MouseHandlers mouseHandlers_;
    std::vector<std::unique_ptr<PluginBundle>> bundles_;
    Visualizer* active_ = nullptr;
    char windowToken_ = 0; // its address is the window handed to plug-ins
    bool shown_ = false;
    int paneWidth_ = 0;
    int paneHeight_ = 0;
    bool playing_ = false;
    long currentIndex_ = -1;
    LibraryTrack adHocTrack_; // a played track that is not in the library
    bool playingAdHoc_ = false;
    int callDepth_ = 0;
    bool shutDown_ = false;
};

} // namespace vx::player
