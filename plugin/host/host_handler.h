#pragma once
// The plug-in's side of the host interface: the entry's registration and the handler of every
// host message.
#include "platform/visual_plugin_api.h"
#include "plugin/view/visual_plugin_data.h"

#include <cstddef>
#include <string>

OSStatus VisualPluginHandler(OSType message, VisualPluginMessageInfo* messageInfo, void* refCon);
OSStatus RegisterVisualPlugin(PluginMessageInfo* messageInfo);
void SetNumVersion(NumVersion* version, uint8_t major, uint8_t minorAndFix, uint8_t stage,
                   uint8_t nonRelease);

OSStatus ChangeVisualPort(VisualPluginData* data, CGrafPtr port, const Rect* rect);
// Keyboard of the pane: city, state and radius editing, months and list scrolling.
OSStatus handleKeyEvent(VisualPluginData* data, const EventRecord* event);

// True when the file can be opened for reading.
bool emptyFileExists(const char* path);
// The installer's marker: true when it was there (and is now deleted).
bool consumeFirstRunMarker();
// Where the marker lives: the home folder + "/Library/Application Support/Voxtrail/FirstRun",
// at most 1,023 characters.
std::string firstRunMarkerPath();

// Installs the mouse handler on the host's active window, replacing one installed before;
// removes it.
void installMouseHandler();
void removeMouseHandler();

// Tests make the host record's allocation fail; null restores calloc.
using HostRecordAllocator = void* (*)(std::size_t count, std::size_t size);
void setHostRecordAllocatorForTesting(HostRecordAllocator allocator);
