#pragma once
// Keeps exceptions inside the plug-in: everything the host or a thread calls runs its work
// through guardBoundary, so an exception becomes a status and one line on standard error instead
// of crossing C frames or ending the process. A function pointer is handed out only in its
// guarded form (guarded<>), and the calls that hand one to the host take nothing else; the
// plug-in's threads start only through startGuardedThread.
#include "platform/visual_plugin_api.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <new>
#include <thread>
#include <type_traits>
#include <utility>

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

// What a guarded callback is called in its error line, carried as a template argument so that
// a plain function (which captures nothing) can know it.
template <std::size_t N> struct BoundaryName {
    char text[N];
    constexpr BoundaryName(const char (&name)[N]) {
        for (std::size_t i = 0; i < N; ++i)
            text[i] = name[i];
    }
};

template <BoundaryName Where, auto Fn, typename Proc> struct GuardedTrampoline;

// Only the trampolines below can make one, so a GuardedProc is never a bare function.
class GuardedProcKey {
    constexpr GuardedProcKey() = default;
    template <BoundaryName, auto, typename> friend struct GuardedTrampoline;
};

// A function pointer of type Proc whose body runs through guardBoundary.
template <typename Proc> class GuardedProc {
  public:
    constexpr GuardedProc(GuardedProcKey, Proc proc) : proc_(proc) {}
    Proc get() const { return proc_; }

  private:
    Proc proc_;
};

template <BoundaryName Where, auto Fn, typename R, typename... Args>
struct GuardedTrampoline<Where, Fn, R (*)(Args...)> {
    // What the host gets back when Fn throws: the guard's status for a status, else nothing.
    static R call(Args... args) noexcept {
        if constexpr (std::is_void_v<R>) {
            guardBoundary(Where.text, [&] { Fn(args...); });
        } else if constexpr (std::is_same_v<R, OSStatus>) {
            return guardBoundary(Where.text, [&] { return Fn(args...); });
        } else {
            R result{};
            guardBoundary(Where.text, [&] { result = Fn(args...); });
            return result;
        }
    }
    static constexpr GuardedProc<R (*)(Args...)> proc() { return {GuardedProcKey{}, &call}; }
};

// The guarded form of the function Fn, named where in its error line:
//   vx::hostInstallTimer(delay, interval, vx::guarded<"notify timer", TimerAction>(), data);
template <BoundaryName Where, auto Fn> constexpr auto guarded() {
    return GuardedTrampoline<Where, Fn, decltype(Fn)>::proc();
}

// A new thread running body through guardBoundary; the caller joins it.
template <typename Body> std::thread startGuardedThread(const char* where, Body&& body) {
    return std::thread([where, body = std::forward<Body>(body)]() mutable { guardBoundary(where, body); });
}

} // namespace vx
