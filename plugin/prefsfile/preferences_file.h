#pragma once
// The preferences file: every setting and the current lists, so the calendar can be drawn before
// the first refresh ends. The engine writes it after refreshes and changes and reads it once at
// start-up.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>

class PluginData;
class ProtectedData;

namespace vx {

// The two settings of the file that the engine keeps rather than the state store.
struct RefreshSchedule {
    std::atomic<int32_t>& nextUpdateTime;
    // Set when the place is to be found by the IP look-up.
    std::atomic<bool>& useIpLocation;
};

// Writes the settings and lists whole (the previous file is kept when that fails). A schedule
// of 0 becomes the first refresh of a new installation. Nothing is written while a refresh is
// being stopped or the plug-in closes, as the lists may be half filled then: false then, true
// otherwise (a file that could not be written is told on the error output).
bool savePreferences(PluginData* root, std::atomic<int32_t>& nextUpdateTime);
// A save now would be refused: a refresh is being stopped or the plug-in closes.
bool preferencesSaveRefused(ProtectedData& st);

// A save in its two halves, so the settings as they are now can be written on another thread:
// the composition copies them at once (refused as the save would be), the write keeps the file
// as a later composition already wrote it.
struct ComposedPreferences {
    std::string contents;
    uint64_t composition = 0;
    bool refused = false;
};
ComposedPreferences composePreferences(PluginData* root, std::atomic<int32_t>& nextUpdateTime);
void writePreferences(PluginData* root, const ComposedPreferences& composed);

// What reading the file found that the engine tells the user or acts on.
struct PreferencesRead {
    bool existed = false;    // there was a file to read
    bool notRegular = false; // the path names something that is not a regular file
    bool tripsDamaged = false;
};
// Reads the file into the state store, the lists and the schedule; without a file, a fresh
// install's format filters. Sets whether the file was valid in the state store.
PreferencesRead loadPreferences(PluginData* root, RefreshSchedule schedule);

// Pieces that tests check on their own.

// The first full refresh of a new installation: a random moment one day to eight days and an hour
// from now, drawn from a generator seeded with seed, so that installations do not all ask at once.
int32_t firstRefreshTime(std::time_t now, unsigned seed);

// The format filters of a new installation, in their order.
extern const char* const kDefaultFormatFilters[6];

} // namespace vx
