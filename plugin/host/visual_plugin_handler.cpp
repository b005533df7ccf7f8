#include "plugin/host/host_handler.h"

#include "platform/boundary_guard.h"
#include "plugin/export/notify_upcoming.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/prefs/preferences_window.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::atomic<HostRecordAllocator> allocateHostRecord{nullptr};

OSStatus askHostForFileSpec(VisualPluginData* data) {
    if (!data->hostProc) return paramErr;
    PlayerMessageInfo info;
    std::memset(&info, 0, sizeof info);
    info.messageMajorVersion = kPluginMessageMajorVersion;
    info.messageMinorVersion = kPluginMessageMinorVersion;
    info.messageInfoSize = sizeof info;
    info.u.getPluginITFileSpecMessage.fileSpec = &data->pluginFileSpec;
    return data->hostProc(data->hostCookie, kPlayerGetPluginITFileSpecMessage, &info);
}

OSStatus handleInit(VisualPluginMessageInfo* info) {
    if (!info) return paramErr;
    HostRecordAllocator alloc = allocateHostRecord.load();
    auto* data = static_cast<VisualPluginData*>(alloc ? alloc(1, sizeof(VisualPluginData))
                                                      : std::calloc(1, sizeof(VisualPluginData)));
    if (!data) return memFullErr;
    data->hostCookie = info->u.initMessage.appCookie;
    data->hostProc = info->u.initMessage.appProc;
    const OSStatus status = askHostForFileSpec(data);
    info->u.initMessage.refCon = data;
    CalVis::visualPluginData = data;

    const bool firstRun = consumeFirstRunMarker();
    if (!gVoxtrail) {
        gVoxtrail = new VoxtrailClass;
    } else {
        // The host may clean up and start the plug-in again in one process; the root stays.
        gVoxtrail->engine.resume();
    }
    if (firstRun) gVoxtrail->state.setVoxtrail_version_update(false);
    gVoxtrail->engine.suggestUpdateShowList(kUpdateAll, firstRun);
    return status;
}

void copyTrack(VisualPluginData* data, const ITTrackInfoV1* track, const ITStreamInfoV1* stream) {
    if (track)
        std::memcpy(&data->trackInfo, track, sizeof data->trackInfo);
    else
        std::memset(&data->trackInfo, 0, sizeof data->trackInfo);
    if (stream)
        std::memcpy(&data->streamInfo, stream, sizeof data->streamInfo);
    else
        std::memset(&data->streamInfo, 0, sizeof data->streamInfo);
}

void render() {
    if (gVoxtrail) gVoxtrail->view.Render();
}

OSStatus handleMessage(OSType message, VisualPluginMessageInfo* info, VisualPluginData* data) {
    switch (message) {
    case kVisualPluginCleanupMessage: {
        if (gVoxtrail) gVoxtrail->engine.shutDown();
        ClosePreferencesGUI();
        removeMouseHandler();
        std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
        if (CalVis::visualPluginData == data) CalVis::visualPluginData = nullptr;
        DisposeGWorld(data->offscreen);
        std::free(data);
        return noErr;
    }
    case kVisualPluginConfigureMessage:
        if (!gVoxtrail) return paramErr;
        return OpenPreferencesGUI(&gVoxtrail->engine) ? noErr : unimpErr;
    case kVisualPluginShowWindowMessage: {
        if (!info) return paramErr;
        data->destOptions = info->u.showWindowMessage.options;
        const OSStatus status =
            ChangeVisualPort(data, info->u.showWindowMessage.port, &info->u.showWindowMessage.drawRect);
        if (status == noErr && gVoxtrail) {
            render();
            gVoxtrail->engine.suggestUpdateShowList(kUpdateAll, false);
        }
        installMouseHandler();
        return status;
    }
    case kVisualPluginHideWindowMessage:
        ChangeVisualPort(data, nullptr, nullptr);
        copyTrack(data, nullptr, nullptr);
        removeMouseHandler();
        return noErr;
    case kVisualPluginSetWindowMessage: {
        if (!info) return paramErr;
        data->destOptions = info->u.setWindowMessage.options;
        const OSStatus status =
            ChangeVisualPort(data, info->u.setWindowMessage.port, &info->u.setWindowMessage.drawRect);
        if (status == noErr) render();
        return status;
    }
    case kVisualPluginPlayMessage:
    case kVisualPluginChangeTrackMessage: {
        const bool play = message == kVisualPluginPlayMessage;
        if (info) {
            copyTrack(data, play ? info->u.playMessage.trackInfo : info->u.changeTrackMessage.trackInfo,
                      play ? info->u.playMessage.streamInfo : info->u.changeTrackMessage.streamInfo);
        } else {
            copyTrack(data, nullptr, nullptr);
        }
        if (play) data->playing = true;
        if (gVoxtrail)
            notifyUserOfUpcomingShow(gVoxtrail, gVoxtrail->engine.albums,
                                     gVoxtrail->engine.web.services.webServiceHost, data->trackInfo.artist,
                                     data->trackInfo.album);
        return noErr;
    }
    case kVisualPluginPauseMessage:
        data->playing = false;
        return noErr;
    case kVisualPluginUnpauseMessage:
        data->playing = true;
        return noErr;
    case kVisualPluginStopMessage:
    case kVisualPluginSetPositionMessage:
    case kVisualPluginEnableMessage:
    case kVisualPluginDisableMessage:
        return noErr;
    case kVisualPluginIdleMessage:
    case kVisualPluginUpdateMessage:
        render();
        return noErr;
    case kVisualPluginRenderMessage:
        if (info) data->renderTimeStamp = info->u.renderMessage.timeStampID;
        render();
        return noErr;
    case kVisualPluginEventMessage:
        return handleKeyEvent(data, info ? info->u.eventMessage.event : nullptr);
    default:
        return unimpErr;
    }
}

} // namespace

void setHostRecordAllocatorForTesting(HostRecordAllocator allocator) {
    allocateHostRecord.store(allocator);
}

OSStatus VisualPluginHandler(OSType message, VisualPluginMessageInfo* messageInfo, void* refCon) {
    return vx::guardBoundary("message handler", [&]() -> OSStatus {
        if (message == kVisualPluginInitMessage) return handleInit(messageInfo);
        auto* data = static_cast<VisualPluginData*>(refCon);
        if (!data) return message == kVisualPluginCleanupMessage ? noErr : paramErr;
        if (CalVis::visualPluginData != data) {
            std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
            CalVis::visualPluginData = data;
        }
        return handleMessage(message, messageInfo, data);
    });
}
