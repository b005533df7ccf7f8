#pragma once
// The small library every matching fuzz target reads against, made once for the whole run.
#include "plugin/model/record_lists.h"

namespace vx::fuzz {

inline XML_Artist_List& smallLibrary() {
    static XML_Artist_List* library = [] {
        auto* list = new XML_Artist_List;
        for (const char* name : {"beatles", "kinks", "who", "a", "1"})
            list->add(new XMLARTIST(name));
        return list;
    }();
    return *library;
}

} // namespace vx::fuzz
