#include "player/player_options.h"

#include "common/player_libraries.h"

#include <charconv>

namespace vx::player {

const char* usageText() {
    return "usage: vxplayer [--headless] [--script FILE] [--library FILE] [--os-version X.Y]\n"
           "                [--host-version X.Y.Z] [--visualizer NAME] [--screen W H]\n"
           "The library is FILE (or a folder of audio files), else ~/Music/iTunes/iTunes Music Library.xml,\n"
           "else the first found of Rhythmbox's rhythmdb.xml, Strawberry's or Clementine's database and\n"
           "beets' library.db, else the music folder ($XDG_MUSIC_DIR or ~/Music) when it holds audio\n"
           "files; each kind is told by its content.\n"
           "Visual plug-ins load from ~/Library/iTunes/iTunes Plug-ins, then from ../lib/voxtrail/plug-ins\n"
           "beside the program (/usr/lib/voxtrail/plug-ins when installed); a bundle whose folder name or\n"
           "identifier the user's folder holds too is passed over, so the user's own install wins. Each\n"
           "one loaded prints \"loaded: PATH NAME VERSION\".\n"
           "Headless, the primary screen is 1440 x 900 unless --screen gives its size.\n"
           "Headless, the script comes from FILE or from stdin, one command a line:\n"
           "  show W H | resize W H | hide | idle N | config | quit\n"
           "  key NAME (return tab backspace left right up down space, ctrl+A to ctrl+Z, or one character)\n"
           "    | type TEXT\n"
           "  play ARTIST | ALBUM | play | next | pause | unpause\n"
           "  down X Y | up X Y | click X Y | rclick X Y | move X Y | drag X Y | wheel X Y DELTA\n"
           "    (click and rclick move the pointer to X Y first, as a real click does)\n"
           "  sleep MS | wait-file PATH SECONDS | snapshot FILE.png | answer BUTTON | answer-file PATH\n"
           "  wait-idle SECONDS: waits until the plug-in has finished what it was asked for (the saves,\n"
           "    exports and sharing requests of user actions, a refresh); prints \"wait-idle: ok\", or\n"
           "    \"wait-idle: timeout: ...\" when SECONDS pass first\n"
           "  windows: one line \"window: NAME X Y W H OPACITY VISIBLE\" per window the plug-in has open\n"
           "    (screen coordinates, OPACITY 0.00 to 1.00, VISIBLE 1 or 0)\n"
           "  window-snapshot NAME FILE.png: that window's pixels; prints \"window-snapshot: FILE.png\"\n"
           "  window-texts NAME: one line \"window-text: CONTROL TEXT\" per control of that window showing a "
           "text\n"
           "  window-click NAME X Y | window-hover NAME X Y: the mouse on a window, at window coordinates\n"
           "  control NAME VALUE: sets the control of that object name in the plug-in's open windows as\n"
           "    a user would: a text box gets the rest of the line as its text, then a key release;\n"
           "    a check box or radio button 1 or 0 (clicked when that changes it); a list the row to\n"
           "    select (-1 none); a tab control the tab to show (from 1). Prints \"control: NAME\", or\n"
           "    \"control-error: NAME WHY\" (no such control, is disabled, is in a hidden window, ...)\n"
           "  press NAME: clicks that button, check box or radio button; prints \"press: NAME\" or\n"
           "    \"press-error: NAME WHY\"\n"
           "Timers and windows run on while the script sleeps or waits.\n"
           "Headless, text the plug-in puts on the clipboard prints \"clipboard: TEXT\".\n";
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
        } else if (a == "--screen") {
            if (i + 2 >= args.size()) {
                error = "--screen needs a width and a height";
                return std::nullopt;
            }
            auto number = [](const std::string& t) {
                int v = 0;
                auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
                return ec == std::errc() && end == t.data() + t.size() ? v : 0;
            };
            const int w = number(args[i + 1]), h = number(args[i + 2]);
            if (w < 64 || h < 64 || w > 16384 || h > 16384) {
                error = "--screen: width and height must be 64 to 16384";
                return std::nullopt;
            }
            o.screenWidth = w;
            o.screenHeight = h;
            i += 2;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    return o;
}

std::string defaultLibraryPath(const std::string& home) {
    const std::string itunes = home + "/Music/iTunes/iTunes Music Library.xml";
    // A Linux desktop's player keeps the user's songs elsewhere: the first found is played.
    if (vx::regularFileState(itunes.c_str()) != vx::FileOpening::missing) return itunes;
    const vx::FoundLibrary found = vx::findPlayerLibrary(home);
    return found.path.empty() ? itunes : found.path;
}

DottedVersion effectiveHostVersion(const PlayerOptions& options, const std::string& libraryVersion) {
    if (options.hostVersion) return *options.hostVersion;
    if (auto v = parseDottedVersion(libraryVersion)) return *v;
    return DottedVersion{9, 1, 0};
}

} // namespace vx::player
