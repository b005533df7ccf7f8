#pragma once
// A home folder of its own for a test: HOME points into a fresh temporary folder (removed again
// at the end), with the plug-in's support folder made and the web service pointed at a port
// where nothing listens, so start-up touches nothing outside.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vx::test {

class TempHome {
  public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vxhome.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        root = pattern;
        previousHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", root.c_str(), 1);
        std::filesystem::create_directories(support());
        write(support() + "VoxtrailServices", "127.0.0.1:9\n127.0.0.1:9\n");
    }
    ~TempHome() {
        ::setenv("HOME", previousHome.c_str(), 1);
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    std::string path() const { return root.string(); }
    std::string support() const { return root.string() + "/Library/Application Support/Voxtrail/"; }
    std::string preferences() const { return support() + "VoxtrailPref"; }
    std::string includeFile() const { return support() + "VoxtrailIncludeBands.txt"; }
    std::string excludeFile() const { return support() + "VoxtrailExcludeBands.txt"; }

    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    std::filesystem::path root;
    std::string previousHome;
};

} // namespace vx::test
