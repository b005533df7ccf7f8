#include "player/visual_plugin.h"

#include <cstring>
#include <dlfcn.h>

namespace vx::player {

namespace {

std::string statusText(OSStatus s) {
    return "status " + std::to_string(s);
}

template <typename Member> bool blockHolds(const PlayerMessageInfo* info) {
    return info->messageInfoSize >= offsetof(PlayerMessageInfo, u) + sizeof(Member);
}

} // namespace

std::string fromPascal(const unsigned char* p, size_t capacity) {
    size_t n = p[0];
    if (n > capacity - 1) n = capacity - 1;
    return std::string(reinterpret_cast<const char*>(p + 1), n);
}

OSStatus Visualizer::send(OSType message, VisualPluginMessageInfo* info) {
    return registration_.handler(message, info, refCon_);
}

std::unique_ptr<PluginBundle> PluginBundle::load(const BundleInfo& info, const NumVersion& appVersion,
                                                 const VxHostServices* services,
                                                 std::function<void()> beforeUnload, std::string& error) {
    std::unique_ptr<PluginBundle> b(new PluginBundle(info, appVersion, std::move(beforeUnload)));
    b->library_ = dlopen(info.executable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!b->library_) {
        const char* why = dlerror();
        error = std::string("cannot be loaded: ") + (why ? why : info.executable);
        return nullptr;
    }
    b->entry_ = reinterpret_cast<PluginMainProcPtr>(dlsym(b->library_, VX_PLUGIN_ENTRY_NAME));
    if (!b->entry_) {
        error = "has no entry " VX_PLUGIN_ENTRY_NAME;
        return nullptr;
    }

    PluginMessageInfo init;
    std::memset(&init, 0, sizeof init);
    init.u.initMessage.majorVersion = kPluginMessageMajorVersion;
    init.u.initMessage.minorVersion = kPluginMessageMinorVersion;
    init.u.initMessage.appVersion = appVersion;
    init.u.initMessage.appCookie = b.get();
    init.u.initMessage.appProc = &PluginBundle::appProc;
    init.u.initMessage.initMessageSize = sizeof init.u.initMessage;
    init.u.initMessage.hostServices = services;
    b->inEntryInit_ = true;
    OSStatus status = b->entry_(kPluginInitMessage, &init, nullptr);
    b->inEntryInit_ = false;
    if (status != noErr) {
        error = "answered init with " + statusText(status);
        if (!b->hostCallError_.empty()) error += " (" + b->hostCallError_ + ")";
        b->visualizers_.clear();
        b->cleanedUp_ = true; // an entry that failed its init gets no cleanup
        return nullptr;
    }
    b->entryInitialized_ = true;
    b->entryRefCon_ = init.u.initMessage.refCon;

    std::string failures;
    for (auto it = b->visualizers_.begin(); it != b->visualizers_.end();) {
        OSStatus s = b->initVisualizer(**it);
        if (s == noErr) {
            ++it;
            continue;
        }
        failures += "visual plug-in \"" + (*it)->name_ + "\" answered init with " + statusText(s) + "; ";
        it = b->visualizers_.erase(it);
    }
    if (b->visualizers_.empty()) {
        error = failures.empty() ? "registered no visual plug-in" : failures.substr(0, failures.size() - 2);
        return nullptr; // the destructor sends the entry its cleanup
    }
    return b;
}

PluginBundle::~PluginBundle() {
    cleanup();
    if (beforeUnload_) beforeUnload_();
    if (library_) dlclose(library_);
}

void PluginBundle::cleanup() {
    if (cleanedUp_) return;
    cleanedUp_ = true;
    for (auto& v : visualizers_) {
        if (!v->initialized_) continue;
        v->initialized_ = false;
        v->send(kVisualPluginCleanupMessage, nullptr);
    }
    if (entryInitialized_) {
        PluginMessageInfo info;
        std::memset(&info, 0, sizeof info);
        entry_(kPluginCleanupMessage, &info, entryRefCon_);
    }
}

OSStatus PluginBundle::initVisualizer(Visualizer& v) {
    VisualPluginMessageInfo info;
    std::memset(&info, 0, sizeof info);
    VisualPluginInitMessage& m = info.u.initMessage;
    m.messageMajorVersion = kPluginMessageMajorVersion;
    m.messageMinorVersion = kPluginMessageMinorVersion;
    m.appVersion = appVersion_;
    m.appCookie = this;
    m.appProc = &PluginBundle::appProc;
    m.refCon = v.registration_.registerRefCon;
    OSStatus s = v.registration_.handler(kVisualPluginInitMessage, &info, v.registration_.registerRefCon);
    if (s != noErr) return s;
    v.refCon_ = m.refCon;
    v.initialized_ = true;
    return noErr;
}

OSStatus PluginBundle::appProc(void* appCookie, OSType message, PlayerMessageInfo* messageInfo) {
    if (!appCookie) return paramErr;
    return static_cast<PluginBundle*>(appCookie)->handleHostCall(message, messageInfo);
}

OSStatus PluginBundle::handleHostCall(OSType message, PlayerMessageInfo* messageInfo) {
    if (!messageInfo) return paramErr;
    if (messageInfo->messageMajorVersion != kPluginMessageMajorVersion) {
        hostCallError_ = "host call with message major version " +
                         std::to_string(messageInfo->messageMajorVersion) + ", expected " +
                         std::to_string(kPluginMessageMajorVersion);
        return paramErr;
    }
    switch (message) {
    case kPlayerRegisterVisualPluginMessage:
        if (!blockHolds<PlayerRegisterVisualPluginMessage>(messageInfo)) {
            hostCallError_ = "registration block too small";
            return paramErr;
        }
        return registerVisualizer(messageInfo->u.registerVisualPluginMessage);
    case kPlayerGetPluginITFileSpecMessage: {
        if (!blockHolds<PlayerGetPluginITFileSpecMessage>(messageInfo)) return paramErr;
        FSSpec* spec = messageInfo->u.getPluginITFileSpecMessage.fileSpec;
        if (!spec) return paramErr;
        std::memset(spec, 0, sizeof *spec);
        size_t n = info_.folderName.size() < 63 ? info_.folderName.size() : 63;
        spec->name[0] = static_cast<unsigned char>(n);
        std::memcpy(spec->name + 1, info_.folderName.data(), n);
        return noErr;
    }
    default:
        return unimpErr;
    }
}

OSStatus PluginBundle::registerVisualizer(const PlayerRegisterVisualPluginMessage& m) {
    if (!inEntryInit_) {
        hostCallError_ = "registration outside the entry's init";
        return paramErr;
    }
    if (!m.handler) {
        hostCallError_ = "registration without a handler";
        return paramErr;
    }
    auto v = std::make_unique<Visualizer>();
    v->registration_ = m;
    v->name_ = fromPascal(m.name, sizeof m.name);
    visualizers_.push_back(std::move(v));
    return noErr;
}

} // namespace vx::player
