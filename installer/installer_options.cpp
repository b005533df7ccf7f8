#include "installer/installer_options.h"

#include <sstream>

namespace vx::installer {

const char* usageText() {
    return "usage: Voxtrail_Installer [--headless [SCRIPT] | --install | --uninstall | --snapshot FILE.png]\n"
           "With no option the installer opens its window.\n"
           "  --install     install the plug-in into ~/Library/iTunes/iTunes Plug-ins; exit 0 on success\n"
           "  --uninstall   remove the plug-in, then its exported calendars and its data folder; exit 0\n"
           "                on success\n"
           "  --snapshot F  write the window as it opens to the PNG file F and quit\n"
           "  --headless    run without a window, commands from SCRIPT or standard input (read whole\n"
           "                first), one a line:\n"
           "                  check start | uncheck start      the start-now box\n"
           "                  press install | press uninstall  a button\n"
           "                  answer Ok                        ends the open sheet with its button\n"
           "                  quit\n"
           "                It prints \"window: TITLE | HEADLINE\" at start and \"sheet: TITLE | MESSAGE\" "
           "for\n"
           "                each sheet (line breaks as \\n). At the end of the script it quits, unless the\n"
           "                player is being started: then it quits when that is done.\n"
           "Exit status 2 for a bad option or script line.\n";
}

std::optional<InstallerOptions> parseInstallerOptions(const std::vector<std::string>& args,
                                                      std::string& error) {
    InstallerOptions o;
    bool modeGiven = false;
    auto setMode = [&](Mode m, const std::string& name) {
        if (modeGiven) {
            error = name + " cannot be combined with another mode";
            return false;
        }
        modeGiven = true;
        o.mode = m;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.mode = Mode::Help;
            return o;
        } else if (a == "--headless") {
            if (!setMode(Mode::Headless, a)) return std::nullopt;
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) o.scriptPath = args[++i];
        } else if (a == "--install") {
            if (!setMode(Mode::Install, a)) return std::nullopt;
        } else if (a == "--uninstall") {
            if (!setMode(Mode::Uninstall, a)) return std::nullopt;
        } else if (a == "--snapshot") {
            if (!setMode(Mode::Snapshot, a)) return std::nullopt;
            if (i + 1 >= args.size()) {
                error = "--snapshot needs a file";
                return std::nullopt;
            }
            o.snapshotPath = args[++i];
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    return o;
}

std::optional<HeadlessCommand> parseHeadlessCommand(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string verb, object, extra;
    in >> verb >> object >> extra;
    HeadlessCommand c;
    if (verb.empty() || verb[0] == '#') return c;
    if (extra.empty()) {
        if (verb == "quit" && object.empty())
            c.action = Action::Quit;
        else if (verb == "check" && object == "start")
            c.action = Action::CheckStart;
        else if (verb == "uncheck" && object == "start")
            c.action = Action::UncheckStart;
        else if (verb == "press" && object == "install")
            c.action = Action::PressInstall;
        else if (verb == "press" && object == "uninstall")
            c.action = Action::PressUninstall;
        else if (verb == "answer" && !object.empty())
            c.action = Action::Answer, c.button = object;
    }
    if (c.action == Action::Nothing) {
        error = "not a command: " + line;
        return std::nullopt;
    }
    return c;
}

std::string sheetLine(const std::string& title, const std::string& message) {
    std::string out = "sheet: ";
    for (const std::string* part : {&title, &message}) {
        for (char ch : *part) {
            if (ch == '\n')
                out += "\\n";
            else if (ch == '\\')
                out += "\\\\";
            else
                out += ch;
        }
        if (part == &title) out += " | ";
    }
    return out;
}

} // namespace vx::installer
