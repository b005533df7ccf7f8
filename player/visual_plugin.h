#pragma once
// A loaded plug-in bundle and the visual plug-ins it registered, driven through their handlers.
#include "platform/visual_plugin_api.h"
#include "player/bundle_finder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vx::player {

class PluginBundle;

// One registered visual plug-in. All calls on the host thread.
class Visualizer {
  public:
    const std::string& name() const { return name_; }
    const PlayerRegisterVisualPluginMessage& registration() const { return registration_; }
    bool wantsIdle() const { return (registration_.options & kVisualWantsIdleMessages) != 0; }
    bool wantsConfigure() const { return (registration_.options & kVisualWantsConfigure) != 0; }

    // Calls the handler with the reference it gave back at init; info may be null.
    OSStatus send(OSType message, VisualPluginMessageInfo* info);

  private:
    friend class PluginBundle;
    std::string name_;
    PlayerRegisterVisualPluginMessage registration_{};
    void* refCon_ = nullptr;
    bool initialized_ = false;
};

class PluginBundle {
  public:
    // Opens the bundle, sends the entry "init" (with services, which must outlive the bundle)
    // and then the handler "init" to each visual plug-in it registered. Null, with the reason in
    // error, when it cannot be used. beforeUnload runs after the cleanup messages and before the
    // library is closed (also on a failed load), so that work the plug-in posted still finds its
    // code.
    static std::unique_ptr<PluginBundle> load(const BundleInfo& info, const NumVersion& appVersion,
                                              const VxHostServices* services,
                                              std::function<void()> beforeUnload, std::string& error);
    PluginBundle(const PluginBundle&) = delete;
    PluginBundle& operator=(const PluginBundle&) = delete;
    // Cleans up when that was not done and closes the library.
    ~PluginBundle();

    // The handler "clr " to each initialised visual plug-in, then the entry "clr ". Once only.
    void cleanup();

    const BundleInfo& info() const { return info_; }
    const std::vector<std::unique_ptr<Visualizer>>& visualizers() const { return visualizers_; }

  private:
    PluginBundle(BundleInfo info, const NumVersion& appVersion, std::function<void()> beforeUnload)
        : info_(std::move(info)), appVersion_(appVersion), beforeUnload_(std::move(beforeUnload)) {}
    static OSStatus appProc(void* appCookie, OSType message, PlayerMessageInfo* messageInfo);
    OSStatus handleHostCall(OSType message, PlayerMessageInfo* messageInfo);
    OSStatus registerVisualizer(const PlayerRegisterVisualPluginMessage& m);
    OSStatus initVisualizer(Visualizer& v);

    BundleInfo info_;
    NumVersion appVersion_;
    std::function<void()> beforeUnload_;
    void* library_ = nullptr;
    PluginMainProcPtr entry_ = nullptr;
    void* entryRefCon_ = nullptr;
    bool inEntryInit_ = false;
    bool entryInitialized_ = false;
    bool cleanedUp_ = false;
    std::string hostCallError_; // why the last host call from the plug-in was refused
    std::vector<std::unique_ptr<Visualizer>> visualizers_;
};

// Pascal string to text (length byte first, at most capacity - 1 bytes).
std::string fromPascal(const unsigned char* p, size_t capacity);

} // namespace vx::player
