#pragma once
// The per-instance host record: handed to the host as the handler's reference and passed back
// with every message.
#include "platform/graphics/gworld.h"
#include "platform/visual_plugin_api.h"

#include <cstdint>

struct VisualPluginData {
    void* hostCookie;
    ITAppProcPtr hostProc;
    FSSpec pluginFileSpec;
    CGrafPtr destPort;
    Rect destRect;
    OptionBits destOptions;
    uint8_t renderData[2 * 512 + 2 * 512]; // the host's waveform and spectrum block; not read
    uint32_t renderTimeStamp;
    int8_t waveformData[2][512]; // reserved; not read
    uint8_t levels[2];           // reserved; not read
    ITTrackInfoV1 trackInfo;
    ITStreamInfoV1 streamInfo;
    bool playing;
    GWorldPtr offscreen;
};
