#pragma once
// One root object for a whole fuzzing run, started in a home folder of its own where nothing
// outside is reached (the web service is pointed at a port where nothing listens).
#include "plugin/host/voxtrail_class.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vx::fuzz {

inline std::string& fuzzHome() {
    static std::string home = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vxfuzz.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        ::setenv("HOME", pattern.c_str(), 1);
        std::filesystem::create_directories(pattern + "/Library/Application Support/Voxtrail");
        std::ofstream(pattern + "/Library/Application Support/Voxtrail/VoxtrailServices")
            << "127.0.0.1:9\n127.0.0.1:9\n";
        return pattern;
    }();
    return home;
}

inline VoxtrailClass& fuzzRoot() {
    fuzzHome();
    static VoxtrailClass* root = [] {
        gVoxtrail = new VoxtrailClass;
        return gVoxtrail;
    }();
    return *root;
}

inline void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

} // namespace vx::fuzz
