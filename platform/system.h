#pragma once
// System stand-ins: the user's folders, the system version, identifiers and bundles.
#include "platform/core_foundation.h"
#include "platform/visual_plugin_api.h"

#include <string>

namespace vx {

// The current user's home folder ($HOME, else the password database); "" when unknown.
std::string homeFolder();

// A fresh identifier as 36 upper-case characters (8-4-4-4-12).
std::string newUuidString();

} // namespace vx

enum { gestaltSystemVersion = VX_FOURCC('s', 'y', 's', 'v'), gestaltUndefSelectorErr = -5551 };

// The system's answer for a selector. Only the system version is known: a BCD value such as
// 0x1066 for 10.6.6, taken from the host player; without a host it fails.
OSStatus Gestalt(OSType selector, int32_t* response);

// Bundles, as Core Foundation offers them: a folder "<Name>.bundle/Contents/" with an
// Info.plist, its code in "Contents/MacOS/" (a shared library here, loaded with dlopen) and its
// files in "Contents/Resources/". Bundles live as long as the process and stay loaded once
// loaded; releasing one only drops a reference.
struct VxCFURL : VxCFObject {
    std::string path;
};
using CFURLRef = const VxCFURL*;
struct VxCFBundle;
using CFBundleRef = VxCFBundle*;

// The bundle whose Info.plist names identifier: the one holding the calling code, else one made
// earlier with CFBundleCreate. Not retained by the call; null when there is none.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef identifier);
// The bundle's "Contents/Resources" folder (retained; the caller releases it).
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
// url with component appended after a "/" (retained).
CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url, CFStringRef component,
                                               bool isDirectory);
// The bundle at url (retained), the same one for the same folder; null when url is no folder.
CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL);
// Loads the bundle's code (the Info.plist's CFBundleExecutable, else the folder's name without
// ".bundle"); false, with the loader's reason on standard error, when it cannot be loaded.
bool CFBundleLoadExecutable(CFBundleRef bundle);
// An exported function of a loaded bundle by its plain name; null when missing or not loaded.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef name);
