// The bundle's one exported symbol: the host calls it to register the visual plug-in.
#include "common/fixed_text.h"
#include "platform/boundary_guard.h"
#include "platform/host_services.h"
#include "plugin/host/host_handler.h"

#include <cstring>

void SetNumVersion(NumVersion* version, uint8_t major, uint8_t minorAndFix, uint8_t stage,
                   uint8_t nonRelease) {
    version->majorRev = major;
    version->minorAndBugRev = minorAndFix;
    version->stage = stage;
    version->nonRelRev = nonRelease;
}

OSStatus RegisterVisualPlugin(PluginMessageInfo* messageInfo) {
    if (!messageInfo || !messageInfo->u.initMessage.appProc) return paramErr;
    PlayerMessageInfo info;
    std::memset(&info, 0, sizeof info);
    info.messageMajorVersion = kPluginMessageMajorVersion;
    info.messageMinorVersion = kPluginMessageMinorVersion;
    info.messageInfoSize = sizeof info;

    PlayerRegisterVisualPluginMessage& reg = info.u.registerVisualPluginMessage;
    static const char kName[] = "Voxtrail";
    reg.name[0] = static_cast<unsigned char>(sizeof kName - 1);
    std::memcpy(reg.name + 1, kName, sizeof kName - 1);
    reg.options = kVisualWantsIdleMessages | kVisualWantsConfigure;
    reg.creator = VX_FOURCC('?', '?', '?', '?');
    SetNumVersion(&reg.pluginVersion, 2, 9, 0x80, 0);
    reg.handler = VisualPluginHandler;
    reg.registerRefCon = nullptr;
    reg.timeBetweenDataInMS = 1000000;
    reg.numWaveformChannels = 2;
    reg.numSpectrumChannels = 2;
    reg.minWidth = 64;
    reg.minHeight = 64;
    reg.maxWidth = 32767;
    reg.maxHeight = 32767;
    reg.minFullScreenBitDepth = 0;
    reg.maxFullScreenBitDepth = 0;
    reg.windowAlignmentInBytes = 0;
    return messageInfo->u.initMessage.appProc(messageInfo->u.initMessage.appCookie,
                                              kPlayerRegisterVisualPluginMessage, &info);
}

extern "C" __attribute__((visibility("default"))) OSStatus
iTunesPluginMainMachO(OSType message, PluginMessageInfo* messageInfo, void*) {
    return vx::guardBoundary("entry", [&]() -> OSStatus {
        switch (message) {
        case kPluginInitMessage:
            // A refused or missing table leaves the plug-in working without host services.
            if (messageInfo) vx::acceptHostServices(&messageInfo->u.initMessage);
            return RegisterVisualPlugin(messageInfo);
        case kPluginCleanupMessage:
            vx::forgetHostServices();
            return noErr;
        default:
            return unimpErr;
        }
    });
}
