#pragma once
// The readers that need TagLib or SQLite are modules of their own beside the binary holding the
// library reader, loaded at their first use: a process that reads only a library file never maps
// those libraries, nor the C++ runtime they bring.
#include <string>

namespace vx {

struct ModuleEntry {
    void* address = nullptr; // null when the module or its entry could not be loaded
    std::string problem;     // why, when so
};

// The entry named `symbol` of `module`, loaded on the first call and kept for the process's life
// (the libraries it maps are not made to unload under a running reader).
ModuleEntry readerModuleEntry(const char* module, const char* symbol);

} // namespace vx
