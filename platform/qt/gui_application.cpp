#include "platform/graphics/gui_application.h"

#include "platform/qt/qt_font_names.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QGuiApplication>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace vx {

bool ensureGuiApplication() {
    static std::atomic<int> known{0}; // 0 not yet known, 1 usable, -1 no GUI application
    if (const int k = known.load(std::memory_order_acquire)) return k > 0;
    static std::mutex creating;
    std::lock_guard<std::mutex> guard(creating);
    if (const int k = known.load(std::memory_order_acquire)) return k > 0;
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        const bool gui = qobject_cast<QGuiApplication*>(existing) != nullptr;
        known.store(gui ? 1 : -1, std::memory_order_release);
        return gui;
    }
    // The arguments must outlive the application object, which lives until the process ends.
    static int argc = 3;
    static char arg0[] = "voxtrail";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    // Never destroyed: it may have been made on a thread that has ended since, and frames may
    // still be drawn while the process exits.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    known.store(1, std::memory_order_release);
    return true;
}

const char* fontFallbackFamily(const char* name, char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return buffer;
    buffer[0] = '\0';
    if (!ensureGuiApplication()) return buffer;
    const QFont font = fontForName(name ? name : "", 13);
    std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s%s",
                  QFontInfo(font).family().toUtf8().constData(), QFontInfo(font).bold() ? " Bold" : "");
    return buffer;
}

} // namespace vx

// Under LeakSanitizer: fontconfig's match patterns, which the toolkit's font fallback keeps for
// the life of the process in caches it never frees, are not leaks of ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
