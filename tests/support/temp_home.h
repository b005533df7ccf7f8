#pragma once
// A temporary home folder for a test: HOME points at it while the object lives.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class TempHome {
public:
    TempHome() {
        char pattern[] = "/tmp/vx-home-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "/tmp";
        if (const char* old = std::getenv("HOME")) oldHome_ = old;
        setenv("HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        if (!oldHome_.empty()) setenv("HOME", oldHome_.c_str(), 1);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string supportFolder() const { return path_ + "/Library/Application Support/Voxtrail/"; }

    // Writes a file below the home folder, making its folders.
    void write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path p = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

private:
    std::string path_;
    std::string oldHome_;
};
