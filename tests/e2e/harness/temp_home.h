#pragma once
// A temporary home folder for one end-to-end test, removed with everything in it at the end.
#include <functional>
#include <map>
#include <string>

namespace vx::e2e {

class TempHome {
  public:
    TempHome(); // throws std::runtime_error when no folder can be made
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string file(const std::string& relative) const;
    // "$HOME/Library/iTunes/iTunes Plug-ins"
    std::string pluginFolder() const;

    // The environment a player in this home runs with: HOME, the offscreen Qt platform and a
    // runtime folder of its own.
    std::map<std::string, std::string> playerEnvironment() const;

    // Writes a file (making its folders); relative to the home unless absolute.
    void writeFile(const std::string& relative, const std::string& content) const;
    // The file's bytes, or "" when it cannot be read.
    std::string readFile(const std::string& relative) const;

    // Waits until the file's bytes satisfy done; false after timeoutMs. A test waits for the state
    // it needs rather than for "a change", since a refresh may write before the test looks.
    bool waitForContent(const std::string& relative, const std::function<bool(const std::string&)>& done,
                        int timeoutMs) const;

    // Copies a whole bundle folder into the plug-in folder; returns the installed bundle path.
    std::string installBundle(const std::string& bundleDir) const;
    // Makes "<name>.bundle" in the plug-in folder around a built module: the module becomes
    // Contents/MacOS/<name>, and an Info.plist with these keys (CFBundleName and
    // CFBundleShortVersionString unless given) is written. Returns the bundle path.
    std::string installModuleAsBundle(const std::string& modulePath, const std::string& name,
                                      std::map<std::string, std::string> plistKeys = {}) const;

  private:
    std::string path_;
};

// An Info.plist with string values.
std::string infoPlist(const std::map<std::string, std::string>& keys);

} // namespace vx::e2e
