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
// Appends a character's bytes while the text stays within limit bytes.
void addLetter(char* text, std::size_t limit, const char* character) {
    const std::size_t len = std::strlen(text);
    const std::size_t n = std::strlen(character);
    if (n == 0 || len + n > limit) return;
    std::memcpy(text + len, character, n + 1);
}
void addLetter(char* text, std::size_t limit, char c) {
    const char one[2] = {c, '\0'};
    addLetter(text, limit, one);
}
// Removes the last character: a whole UTF-8 sequence, or one byte of any other text.
void removeLetter(char* text) {
    const std::size_t len = std::strlen(text);
    if (len == 0) return;
    std::size_t start = len - 1;
    while (start > 0 && len - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    const auto lead = static_cast<unsigned char>(text[start]);
    const std::size_t expected = (lead & 0xE0) == 0xC0   ? 2
                                 : (lead & 0xF0) == 0xE0 ? 3
                                 : (lead & 0xF8) == 0xF0 ? 4
                                                         : 0;
    text[expected == len - start ? start : len - 1] = '\0';
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
void ProtectedData::addLetterCurCityDisplay(const char* character) {
    if (!character) return;
    Guard g(mutex);
    addLetter(curCityDisplay, 254, character);
}
void ProtectedData::addLetterCurStateDisplay(const char* character) {
    if (!character) return;
    Guard g(mutex);
    addLetter(curStateDisplay, 254, character);
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

bool ProtectedData::acceptCurSearchRadiusDisplay() {
    Guard g(mutex);
    const char* p = curSearchRadiusDisplay;
    while (*p == ' ')
        ++p;
    int radius = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9' && radius <= kLargestSearchRadius; ++p, digits = true)
        radius = radius * 10 + (*p - '0');
    while (*p == ' ')
        ++p;
    const bool searchable = digits && *p == '\0' && radius >= 1 && radius <= kLargestSearchRadius;
    std::snprintf(curSearchRadiusDisplay, sizeof curSearchRadiusDisplay, "%d",
                  searchable ? radius : curSearchRadius);
    return searchable;
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
