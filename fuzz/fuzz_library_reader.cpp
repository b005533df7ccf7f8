// Arbitrary bytes as the library file, and as the include and exclude files beside it.
#include "fuzz/fuzz_library_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string library = vx::fuzz::fuzzHome() + "/library.xml";
    vx::fuzz::readFuzzedLibrary(library, data, size, data, size);
    return 0;
}
