#pragma once
// The few Core Foundation calls that cross between the plug-in and the calendar-store bundle:
// reference-counted objects and immutable strings. Header-only, so each module carries its own
// copy; an object remembers the finaliser of the module that made it, so whichever side calls
// CFRelease, the maker frees it.
#include "common/mac_roman.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

using CFIndex = long;
using CFStringEncoding = uint32_t;
using CFAllocatorRef = const void*;
using CFTypeRef = const void*;

inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;
inline constexpr CFStringEncoding kCFStringEncodingMacRoman = 0;
inline constexpr CFStringEncoding kCFStringEncodingUTF8 = 0x08000100;

// Every object starts with this header.
struct VxCFObject {
    std::atomic<long> retainCount{1};
    void (*finalize)(VxCFObject*) = nullptr;
};

// Strings keep their text as UTF-8.
struct VxCFString : VxCFObject {
    std::string utf8;
};
using CFStringRef = const VxCFString*;

inline CFTypeRef CFRetain(CFTypeRef cf) {
    if (cf) static_cast<VxCFObject*>(const_cast<void*>(cf))->retainCount.fetch_add(1);
    return cf;
}

inline void CFRelease(CFTypeRef cf) {
    auto* obj = static_cast<VxCFObject*>(const_cast<void*>(cf));
    if (obj && obj->retainCount.fetch_sub(1) == 1 && obj->finalize) obj->finalize(obj);
}

namespace vx::cf {
inline void finalizeString(VxCFObject* obj) {
    delete static_cast<VxCFString*>(obj);
}

inline bool validUtf8(const unsigned char* s) {
    while (*s) {
        const int extra = *s < 0x80 ? 0 : (*s >> 5) == 6 ? 1 : (*s >> 4) == 14 ? 2 : (*s >> 3) == 30 ? 3 : -1;
        if (extra < 0) return false;
        ++s;
        for (int i = 0; i < extra; ++i, ++s)
            if ((*s & 0xC0) != 0x80) return false;
    }
    return true;
}
} // namespace vx::cf

// Null for a null text, an encoding other than the two above, or bytes that are not UTF-8 when
// UTF-8 is named (as the system's call does).
inline CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (!cStr) return nullptr;
    auto* s = new VxCFString;
    s->finalize = vx::cf::finalizeString;
    if (encoding == kCFStringEncodingUTF8 &&
        vx::cf::validUtf8(reinterpret_cast<const unsigned char*>(cStr))) {
        s->utf8 = cStr;
    } else if (encoding == kCFStringEncodingMacRoman) {
        char buf[4];
        for (const char* p = cStr; *p; ++p)
            s->utf8.append(buf, vx::encodeUtf8(vx::macRomanToUnicode(static_cast<unsigned char>(*p)), buf));
    } else {
        delete s;
        return nullptr;
    }
    return s;
}

// The UTF-8 text itself; null for other encodings (callers then use CFStringGetCString).
inline const char* CFStringGetCStringPtr(CFStringRef s, CFStringEncoding encoding) {
    return s && encoding == kCFStringEncodingUTF8 ? s->utf8.c_str() : nullptr;
}

// Copies the text in `encoding` into buffer, terminated; false (and nothing usable) when it does
// not fit or a character has no code in Mac OS Roman.
inline bool CFStringGetCString(CFStringRef s, char* buffer, CFIndex bufferSize, CFStringEncoding encoding) {
    if (!s || !buffer || bufferSize <= 0) return false;
    buffer[0] = '\0';
    if (encoding == kCFStringEncodingUTF8) {
        if (static_cast<CFIndex>(s->utf8.size()) >= bufferSize) return false;
        std::memcpy(buffer, s->utf8.c_str(), s->utf8.size() + 1);
        return true;
    }
    if (encoding != kCFStringEncodingMacRoman) return false;
    CFIndex n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s->utf8.c_str());
    while (*p) {
        char32_t c = *p++;
        if (c >= 0x80) {
            const int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : 3;
            c &= extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
            for (int i = 0; i < extra && *p; ++i)
                c = (c << 6) | (*p++ & 0x3F);
        }
        const unsigned char code = vx::unicodeToMacRoman(c);
        if (!code || n + 1 >= bufferSize) {
            buffer[0] = '\0';
            return false;
        }
        buffer[n++] = static_cast<char>(code);
    }
    buffer[n] = '\0';
    return true;
}
