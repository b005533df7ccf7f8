#pragma once
// A home folder of its own for a test: HOME points into a fresh temporary folder (removed again
// at the end), with the web service pointed at a port where nothing listens, so start-up
// touches nothing outside; a test that wants a service writes its own "VoxtrailServices".
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TempHome {
  public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vx-home-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
        if (const char* old = std::getenv("HOME")) oldHome_ = old;
        ::setenv("HOME", path_.c_str(), 1);
        write("Library/Application Support/Voxtrail/VoxtrailServices", "127.0.0.1:9\n127.0.0.1:9\n");
    }
    ~TempHome() {
        ::setenv("HOME", oldHome_.c_str(), 1);
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string supportFolder() const { return path_ + "/Library/Application Support/Voxtrail/"; }
    std::string preferences() const { return supportFolder() + "VoxtrailPref"; }
    std::string includeFile() const { return supportFolder() + "VoxtrailIncludeBands.txt"; }
    std::string excludeFile() const { return supportFolder() + "VoxtrailExcludeBands.txt"; }

    // Writes a file below the home folder, making its folders.
    void write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path p = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(p.parent_path());
        writeFile(p.string(), bytes);
    }
    static void writeFile(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    // The file's bytes, or "" when it cannot be read.
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    std::string path_;
    std::string oldHome_;
};
