#pragma once
// The one store of settings and run-time status shared by the host thread and the update
// thread. Every field is reached through a getter and a setter that hold the store's mutex for
// one copy; text getters copy into a caller buffer of the field's capacity.
#include <mutex>

class FRIENDLIST;

class ProtectedData {
  public:
    ProtectedData();
    ~ProtectedData();
    ProtectedData(const ProtectedData&) = delete;
    ProtectedData& operator=(const ProtectedData&) = delete;

#define VX_TEXT(Name, field, cap, def)                                                                       \
    static constexpr int field##Capacity = cap;                                                              \
    void get##Name(char* buffer);                                                                            \
    void set##Name(const char* text);
#define VX_VALUE(Name, field, type, def)                                                                     \
    type get##Name();                                                                                        \
    void set##Name(type value);
#define VX_CLAMPED VX_VALUE
#include "plugin/model/protected_data_fields.h"
#undef VX_CLAMPED
#undef VX_TEXT
#undef VX_VALUE

    void lockMutex() {
        mutex.lock();
    }
    void unlockMutex() {
        mutex.unlock();
    }

    void addLetterCurCityDisplay(char c);
    void removeLetterCurCityDisplay();
    void addLetterCurStateDisplay(char c);
    void removeLetterCurStateDisplay();
    // One typed character in UTF-8, appended whole or not at all; removing takes back the whole
    // last character.
    void addLetterCurCityDisplay(const char* character);
    void addLetterCurStateDisplay(const char* character);
    void addLetterCurSearchRadiusDisplay(char c);
    void removeLetterCurSearchRadiusDisplay();
    // Ends the typing of a radius: a whole number of 1 to kLargestSearchRadius miles (blanks
    // around it allowed) is kept in its plain form and true returned; anything else cannot be
    // searched, so the field shows the radius of the last search again and false is returned.
    static constexpr int kLargestSearchRadius = 300;
    bool acceptCurSearchRadiusDisplay();
    // Stores a place found for the user (search and shown city and region) in one step, unless
    // the user has typed a place or is typing one: then nothing changes and the result is false.
    bool storeLocatedPlace(const char* city, const char* region);
    void incUpdatingProgress(double delta);
    // Clears every step's "updating" flag at once, as a refresh that ended by an exception leaves
    // no telling which step was running.
    void clearUpdatingSteps();

    void addFormatFilter(const char* name);
    void removeFormatFilter(const char* name);
    bool isFilterOn(const char* name);
    bool isFilterOn(FRIENDLIST* labels);
    // Every filter name followed by "@@", at most 511 characters (buffer of 512).
    void getFilterString(char* buffer);

  private:
    std::mutex mutex;
#define VX_TEXT(Name, field, cap, def) char field[cap];
#define VX_VALUE(Name, field, type, def) type field;
#define VX_CLAMPED VX_VALUE
#include "plugin/model/protected_data_fields.h"
#undef VX_CLAMPED
#undef VX_TEXT
#undef VX_VALUE
    FRIENDLIST* formatFilters;
};
