#pragma once
// The Resources folder of the bundle that holds the calling code.
#include <string>

namespace vx {

// The code's file is ".../<Name>.bundle/Contents/MacOS/<Name>" (found with dladdr); the bundle is
// taken as ours when "Contents/Info.plist" names identifier. Returns ".../Contents/Resources",
// or "" when the code is not inside such a bundle (a test program, for one).
std::string ownBundleResourceFolder(const char* identifier);

} // namespace vx
