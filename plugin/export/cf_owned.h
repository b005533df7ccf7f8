#pragma once
// Releases a Core Foundation reference when it goes out of scope.
#include "platform/core_foundation.h"

#include <string>
#include <string_view>

template <typename Ref> class CFOwned {
  public:
    explicit CFOwned(Ref ref = nullptr) : ref_(ref) {}
    ~CFOwned() {
        if (ref_) CFRelease(ref_);
    }
    CFOwned(const CFOwned&) = delete;
    CFOwned& operator=(const CFOwned&) = delete;
    Ref get() const { return ref_; }

  private:
    Ref ref_;
};

// A string of a record's text: the plug-in keeps UTF-8, and bytes that are not UTF-8 (old texts)
// are read as Mac OS Roman, so every text crosses as a string, never as a null.
inline CFStringRef makeRecordString(std::string_view record) {
    const std::string text(record);
    if (CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8))
        return s;
    return CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingMacRoman);
}
