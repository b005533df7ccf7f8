#include "platform/qt/laid_out_texts.h"

#include "platform/qt/text_decoding.h"

#include <QGlyphRun>

#include <sys/syscall.h>
#include <unistd.h>

namespace vx {

LaidOutTexts* LaidOutTexts::mainThreads() {
    // A layout keeps the font engines of the thread that made it, and they go when that thread
    // ends; only the main thread lasts as long as the process.
    if (syscall(SYS_gettid) != getpid()) return nullptr;
    static LaidOutTexts cache;
    return &cache;
}

void LaidOutTexts::frameBegins() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++frame_;
    if (texts_.size() < kMostTexts) return;
    std::erase_if(texts_, [this](const auto& entry) { return entry.second.lastUsed + 2 < frame_; });
    // One frame alone asked for more than the cache holds: start again rather than grow.
    if (texts_.size() >= kMostTexts) texts_.clear();
}

const LaidOutText& LaidOutTexts::find(std::string_view fontKey, const QFont& font, const char* bytes,
                                      std::size_t length) {
    key_.assign(fontKey);
    key_.push_back('\0');
    key_.append(bytes, length);
    auto [it, added] = texts_.try_emplace(key_);
    LaidOutText& text = it->second;
    text.lastUsed = frame_;
    if (!added) return text;
    text.layout = std::make_unique<QTextLayout>(decodeDrawnText(bytes, length), font);
    text.layout->setCacheEnabled(true);
    text.layout->beginLayout();
    QTextLine line = text.layout->createLine();
    text.layout->endLayout();
    text.advance = line.isValid() ? line.horizontalAdvance() : 0.0;
    text.ascent = line.isValid() ? line.ascent() : 0.0;
    if (line.isValid()) text.ink = line.naturalTextRect();
    for (const QGlyphRun& run : text.layout->glyphRuns())
        text.ink |= run.boundingRect();
    return text;
}

} // namespace vx
