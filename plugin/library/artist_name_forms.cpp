#include "plugin/library/artist_name_forms.h"

#include "plugin/model/text_helpers.h"

namespace vx {

std::string normalisedName(std::string_view text) {
    char form[256];
    return std::string(form, cleanArtistInto(text, form));
}

ArtistNameForms artistNameForms(std::string_view text) {
    ArtistNameForms forms;
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || comma == 0 || comma + 1 == text.size()) {
        forms.first = normalisedName(text);
        return forms;
    }
    const std::string_view before = text.substr(0, comma);
    const std::string_view after = text.substr(comma + 1);
    std::string swapped(after);
    swapped += before;
    std::string written(before);
    written += after;
    forms.first = normalisedName(swapped);
    forms.second = normalisedName(written);
    forms.two = true;
    return forms;
}

} // namespace vx
