#pragma once
// Text drawing needs the toolkit's application object (it owns the font database).

namespace vx {

// Makes sure a QGuiApplication exists. A host that is itself a Qt application has one already
// (made on its main thread before it loads plug-ins) and it is used as it is. Otherwise one is
// made here on the first call, with the offscreen platform, on the calling thread, and kept
// for the life of the process; Qt then treats that thread as its GUI thread, which is harmless
// because we only paint into images and measure fonts, both of which Qt allows on any thread.
// In the unit tests the first frame is drawn on the test's main thread. Returns false when the
// process has a Qt application object without GUI support (then text is not drawn).
bool ensureGuiApplication();

// The family the toolkit actually uses for a font name such as "Lucida Grande" or
// "LucidaGrande-Bold" (after fontconfig's fallback), for reports and tests.
const char* fontFallbackFamily(const char* name, char* buffer, int capacity);

} // namespace vx
