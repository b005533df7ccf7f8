#pragma once
// Texts laid out once and drawn again frame after frame: shaping a line is most of what drawing
// it costs, and a frame mostly draws the texts the frame before it drew.
#include <QFont>
#include <QRectF>
#include <QTextLayout>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vx {

// One line of text laid out in one font.
struct LaidOutText {
    std::unique_ptr<QTextLayout> layout;
    double advance = 0;
    double ascent = 0;
    QRectF ink;            // where its glyphs may put ink, from the line's top-left (stacked marks reach far)
    uint64_t lastUsed = 0; // the frame that last asked for it
};

// Keyed by the font's name and pixel size and the text's bytes; a text not asked for
// during the last two frames is dropped once the cache is full, so texts of replaced data do not pile up.
// Callers hold lock() while they use what find() returned.
class LaidOutTexts {
  public:
    // The cache of the process's main thread, which draws the frames and lives as long as the
    // process; null on any other thread, whose contexts keep their own for one frame.
    static LaidOutTexts* mainThreads();

    std::mutex& lock() { return mutex_; }
    // Called as a frame's context is made (with lock() not held).
    void frameBegins();
    // fontKey names the font exactly: the same key is always the same font.
    const LaidOutText& find(std::string_view fontKey, const QFont& font, const char* bytes,
                            std::size_t length);

  private:
    static constexpr std::size_t kMostTexts = 4096;

    std::mutex mutex_;
    std::unordered_map<std::string, LaidOutText> texts_;
    std::string key_; // reused, so a look-up of a cached text allocates nothing
    uint64_t frame_ = 1;
};

} // namespace vx
