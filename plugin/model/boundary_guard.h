#pragma once
// Keeps exceptions inside the plug-in: what the host calls (the entry, the handler, the mouse
// handler) and the bodies of the plug-in's threads run their work through guardBoundary, so an
// exception becomes a status and one line on standard error instead of crossing C frames or
// ending the process.
#include "platform/visual_plugin_api.h"

#include <cstdio>
#include <exception>
#include <new>
#include <type_traits>

namespace vx {

// Runs work() and answers its status (noErr for work that returns nothing). An exception it
// lets out answers memFullErr for std::bad_alloc and paramErr for any other, after printing
// "Voxtrail: <where>: <what>" on standard error.
template <typename Work> OSStatus guardBoundary(const char* where, Work&& work) noexcept {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Work&>>) {
            work();
            return noErr;
        } else {
            return static_cast<OSStatus>(work());
        }
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Voxtrail: %s: out of memory\n", where);
        return memFullErr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Voxtrail: %s: %s\n", where, e.what());
        return paramErr;
    } catch (...) {
        std::fprintf(stderr, "Voxtrail: %s: unknown exception\n", where);
        return paramErr;
    }
}

} // namespace vx
