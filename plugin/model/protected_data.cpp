#include "plugin/model/protected_data.h"

#include "common/fixed_text.h"
#include "plugin/model/record_lists.h"

#include <cstdio>
#include <cstring>

using Guard = std::lock_guard<std::mutex>;

ProtectedData::ProtectedData() : formatFilters(new FRIENDLIST) {
#define VX_TEXT(Name, field, cap, def) vx::copyText(field, def);
#define VX_VALUE(Name, field, type, def) field = def;
#define VX_CLAMPED VX_VALUE
#include "plugin/model/protected_data_fields.h"
#undef VX_CLAMPED
#undef VX_TEXT
#undef VX_VALUE
}

ProtectedData::~ProtectedData() {
    delete formatFilters;
}

#define VX_TEXT(Name, field, cap, def)                                                                       \
    void ProtectedData::get##Name(char* buffer) {                                                            \
        if (!buffer) return;                                                                                 \
        Guard g(mutex);                                                                                      \
        vx::copyText(buffer, cap, field);                                                                    \
        buffer[cap - 1] = '\0';                                                                              \
    }                                                                                                        \
    void ProtectedData::set##Name(const char* text) {                                                        \
        Guard g(mutex);                                                                                      \
        vx::copyText(field, text);                                                                           \
    }
#define VX_VALUE(Name, field, type, def)                                                                     \
    type ProtectedData::get##Name() {                                                                        \
        Guard g(mutex);                                                                                      \
        return field;                                                                                        \
    }                                                                                                        \
    void ProtectedData::set##Name(type value) {                                                              \
        Guard g(mutex);                                                                                      \
        field = value;                                                                                       \
    }
#define VX_CLAMPED(Name, field, type, def)                                                                   \
    type ProtectedData::get##Name() {                                                                        \
        Guard g(mutex);                                                                                      \
        return field;                                                                                        \
    }
#include "plugin/model/protected_data_fields.h"
#undef VX_CLAMPED
#undef VX_TEXT
#undef VX_VALUE

void ProtectedData::setUpdatingProgress(double p) {
    Guard g(mutex);
    updatingProgress = p < 0.0 ? 0.0 : (p > 100.0 ? 100.0 : p);
}

bool ProtectedData::storeLocatedPlace(const char* city, const char* region) {
    Guard g(mutex);
    if (updatingCity || updatingState || curCityDisplay[0] || curStateDisplay[0]) return false;
    vx::copyText(curCity, city);
    vx::copyText(curCityDisplay, city);
    vx::copyText(curState, region);
    vx::copyText(curStateDisplay, region);
    return true;
}

void ProtectedData::incUpdatingProgress(double delta) {
    Guard g(mutex);
    updatingProgress += delta;
    if (updatingProgress > 100.0) updatingProgress = 100.0;
}

void ProtectedData::clearUpdatingSteps() {
    Guard g(mutex);
    updatingConcerts = updatingAlbums = updatingFriends = updatingShared = updatingiPhone = false;
}

namespace {
// Appends c while the text is shorter than limit characters.
void addLetter(char* text, std::size_t limit, char c) {
    std::size_t len = std::strlen(text);
    if (len >= limit) return;
    text[len] = c;
    text[len + 1] = '\0';
}
void removeLetter(char* text) {
    std::size_t len = std::strlen(text);
    if (len > 0) text[len - 1] = '\0';
}
} // namespace

void ProtectedData::addLetterCurCityDisplay(char c) {
    Guard g(mutex);
    addLetter(curCityDisplay, 254, c);
}
void ProtectedData::removeLetterCurCityDisplay() {
    Guard g(mutex);
    removeLetter(curCityDisplay);
}
void ProtectedData::addLetterCurStateDisplay(char c) {
    Guard g(mutex);
    addLetter(curStateDisplay, 254, c);
}
void ProtectedData::removeLetterCurStateDisplay() {
    Guard g(mutex);
    removeLetter(curStateDisplay);
}
void ProtectedData::addLetterCurSearchRadiusDisplay(char c) {
    Guard g(mutex);
    addLetter(curSearchRadiusDisplay, 4, c);
}
void ProtectedData::removeLetterCurSearchRadiusDisplay() {
    Guard g(mutex);
    removeLetter(curSearchRadiusDisplay);
}

void ProtectedData::limitCurSearchRadiusDisplay() {
    Guard g(mutex);
    int radius = 0;
    if (std::sscanf(curSearchRadiusDisplay, "%d", &radius) == 1 && radius > 300)
        vx::copyText(curSearchRadiusDisplay, "300");
}

void ProtectedData::addFormatFilter(const char* name) {
    if (!name) return;
    Guard g(mutex);
    formatFilters->add(new FRIENDNAME(name));
}

void ProtectedData::removeFormatFilter(const char* name) {
    Guard g(mutex);
    formatFilters->remove(name);
}

bool ProtectedData::isFilterOn(const char* name) {
    return formatFilters->contains(name);
}

bool ProtectedData::isFilterOn(FRIENDLIST* labels) {
    if (!labels) return false;
    Guard g(mutex);
    std::lock_guard<ListMutex> filters(formatFilters->mutex);
    std::lock_guard<ListMutex> held(labels->mutex);
    for (FRIENDNAME* n = labels->head; n; n = n->next)
        for (FRIENDNAME* f = formatFilters->head; f; f = f->next)
            if (std::strcmp(n->name, f->name) == 0) return true;
    return false;
}

void ProtectedData::getFilterString(char* buffer) {
    if (!buffer) return;
    buffer[0] = '\0';
    Guard g(mutex);
    std::lock_guard<ListMutex> filters(formatFilters->mutex);
    for (FRIENDNAME* f = formatFilters->head; f; f = f->next) {
        vx::appendText(buffer, 512, f->name);
        vx::appendText(buffer, 512, "@@");
    }
}
