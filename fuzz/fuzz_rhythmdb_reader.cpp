// Arbitrary bytes after the root tag of a song database, as the library file; the include and
// exclude files beside it.
#include "fuzz/fuzz_library_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string library = vx::fuzz::fuzzHome() + "/rhythmdb.xml";
    // The root tag makes the file a song database; the bytes after it are the fuzzer's.
    std::string bytes = "<rhythmdb version=\"2.0\">\n";
    bytes.append(reinterpret_cast<const char*>(data), size);
    vx::fuzz::readFuzzedLibrary(library, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                data, size);
    return 0;
}
