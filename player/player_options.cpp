#include "player/player_options.h"

namespace vx::player {

const char* usageText() {
    return "usage: vxplayer [--headless] [--script FILE] [--library FILE] [--os-version X.Y]\n"
           "                [--host-version X.Y.Z] [--visualizer NAME]\n"
           "Headless, the script comes from FILE or from stdin, one command a line:\n"
           "  show W H | resize W H | hide | idle N | config | quit\n"
           "  key NAME (return tab backspace left right up down space, or one character) | type TEXT\n"
           "  play ARTIST | ALBUM | play | next | pause | unpause\n"
           "  down X Y | up X Y | click X Y | rclick X Y | move X Y | drag X Y | wheel X Y DELTA\n"
           "  sleep MS | wait-file PATH SECONDS | snapshot FILE.png | answer BUTTON | answer-file PATH\n";
}

std::optional<PlayerOptions> parseOptions(const std::vector<std::string>& args, std::string& error) {
    PlayerOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string* {
            if (i + 1 >= args.size()) {
                error = a + " needs " + what;
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--headless") {
            o.headless = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--script") {
            const std::string* v = value("a file");
            if (!v) return std::nullopt;
            o.scriptPath = *v;
        } else if (a == "--library") {
            const std::string* v = value("a file");
            if (!v) return std::nullopt;
            o.libraryPath = *v;
        } else if (a == "--visualizer") {
            const std::string* v = value("a name");
            if (!v) return std::nullopt;
            o.visualizerName = *v;
        } else if (a == "--os-version" || a == "--host-version") {
            const std::string* v = value("a version");
            if (!v) return std::nullopt;
            auto parsed = parseDottedVersion(*v);
            if (!parsed) {
                error = a + ": not a version: " + *v;
                return std::nullopt;
            }
            if (a == "--os-version")
                o.osVersion = *parsed;
            else
                o.hostVersion = *parsed;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    return o;
}

std::string defaultLibraryPath(const std::string& home) {
    return home + "/Music/iTunes/iTunes Music Library.xml";
}

DottedVersion effectiveHostVersion(const PlayerOptions& options, const std::string& libraryVersion) {
    if (options.hostVersion) return *options.hostVersion;
    if (auto v = parseDottedVersion(libraryVersion)) return *v;
    return DottedVersion{9, 1, 0};
}

} // namespace vx::player
