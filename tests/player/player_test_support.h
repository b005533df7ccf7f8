#pragma once
// A temporary home with fake visual plug-ins installed, and headless player runs in it.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/temp_home.h"

#include <memory>
#include <string>
#include <vector>

namespace vx::player::testing {

struct RunResult {
    int status = -1; // -1 when the player did not end in time
    std::vector<std::string> out;
    std::string err;
};

class PlayerHome {
  public:
    // Installs "<name>.bundle" around the fake plug-in; mode as fake_visualizer.cpp reads it.
    std::string installFake(const std::string& name, const std::string& mode = "normal",
                            const std::string& module = VX_FAKE_PLUGIN);
    // The messages the fake in that bundle logged, one per line.
    std::vector<std::string> messages(const std::string& bundlePath) const;
    // Copies one of the test library files to the default library path.
    void installLibrary(const std::string& fixtureName);

    // Starts vxplayer --headless with these extra arguments, in the home folder.
    std::unique_ptr<vx::e2e::PlayerProcess> start(const std::vector<std::string>& args = {});
    // Runs a whole script given on stdin and waits for the end.
    RunResult run(const std::string& script, const std::vector<std::string>& args = {});

    vx::e2e::TempHome home;
};

// The lines that start with prefix, in order.
std::vector<std::string> withPrefix(const std::vector<std::string>& lines, const std::string& prefix);

} // namespace vx::player::testing
