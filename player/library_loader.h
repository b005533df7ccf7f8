#pragma once
// A library file read on a thread of its own while the player starts up: a large library would
// otherwise hold back the first frame by as long as its reading.
#include "player/music_library.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vx::player {

class LibraryLoader {
  public:
    // Starts reading at once; an empty library when the file cannot be read.
    explicit LibraryLoader(std::string path);
    // Stops a reading still under way between two tracks and waits for its thread.
    ~LibraryLoader();
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;

    // The top dict's "Application Version", as soon as it is read ("" when the file has none).
    std::string applicationVersion();
    // The whole library, once: waits for the reading to end.
    MusicLibrary take();
    // True once the reading has ended, so that take() answers at once.
    bool done();

  private:
    void run();

    const std::string path_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool versionKnown_ = false;
    bool done_ = false;
    std::string version_;
    MusicLibrary library_;
    std::atomic<bool> stop_{false};
    std::thread thread_; // last: it starts once the rest is in place
};

} // namespace vx::player
