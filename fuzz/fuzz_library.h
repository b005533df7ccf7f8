#pragma once
// The small library every matching fuzz target reads against, made once for the whole run.
#include "plugin/model/record_lists.h"

namespace vx::fuzz {

inline XML_Artist_List& smallLibrary() {
    static XML_Artist_List* library = [] {
        auto* list = new XML_Artist_List;
        for (const char* name : {"beatles", "kinks", "who", "a", "1"})
            list->add(new XMLARTIST(name));
        // One artist known by its id too, so that pages naming ids are matched both ways.
        list->add(new XMLARTIST("pixies", "11111111-2222-3333-4444-555555555555"));
        return list;
    }();
    return *library;
}

} // namespace vx::fuzz
