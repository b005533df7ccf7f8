#include "tests/player/player_test_support.h"

#include <sstream>

namespace vx::player::testing {

std::string PlayerHome::installFake(const std::string& name, const std::string& mode,
                                    const std::string& module) {
    std::string bundle = home.installModuleAsBundle(module, name, {{"CFBundleShortVersionString", "3.1"}});
    home.writeFile(bundle + "/Contents/Resources/fake.conf", "mode=" + mode + "\n");
    return bundle;
}

std::vector<std::string> PlayerHome::messages(const std::string& bundlePath) const {
    std::istringstream in(home.readFile(bundlePath + "/Contents/Resources/messages.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void PlayerHome::installLibrary(const std::string& fixtureName) {
    std::string text = home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/" + fixtureName);
    home.writeFile("Music/iTunes/iTunes Music Library.xml", text);
}

std::unique_ptr<vx::e2e::PlayerProcess> PlayerHome::start(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--headless"};
    all.insert(all.end(), args.begin(), args.end());
    return std::make_unique<vx::e2e::PlayerProcess>(VX_PLAYER_EXE, all, home.playerEnvironment(),
                                                    home.path());
}

RunResult PlayerHome::run(const std::string& script, const std::vector<std::string>& args) {
    auto p = start(args);
    p->sendLine(script);
    p->closeInput();
    RunResult r;
    r.status = p->waitForExit(30000).value_or(-1);
    while (auto line = p->readLine(0))
        r.out.push_back(*line);
    r.err = p->errorText();
    return r;
}

std::vector<std::string> withPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

} // namespace vx::player::testing
