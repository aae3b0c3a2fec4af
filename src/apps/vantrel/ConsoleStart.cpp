#include "ConsoleStart.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/Version.h"
#include "ui/Display.h"

namespace quorvel::vantrel {
namespace {

constexpr const char* kUsage =
    "Usage: vantrel [--machine FOLDER] [/autostart] [switches of the one-click pass]\n"
    "\n"
    "The desktop program of Quorvel Utilities. It works on the Wine prefix given by --machine,\n"
    "else $WINEPREFIX, else ~/.wine, else the bundled demo machine.\n"
    "\n"
    "  --machine FOLDER  the Wine prefix to work on\n"
    "  /autostart        start hidden in the tray\n"
    "  --help            print this text and end\n"
    "  --version         print the version and end\n"
    "\n"
    "The same work without a window: quorvel --help\n";

bool hasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view chosen = platform ? platform : "";
    // Platforms that draw without a window system (offscreen, vnc, linuxfb...) need no display.
    if (!chosen.empty() && !chosen.starts_with("xcb") && !chosen.starts_with("wayland"))
        return true;
    return ui::HasWindowSystem();
}

}  // namespace

std::optional<int> AnswerOnConsole(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("vantrel %s\n", core::kProductVersion);
            return 0;
        }
    }
    if (!hasDisplay()) {
        std::fputs(
            "vantrel: there is no display to open a window on (neither DISPLAY nor "
            "WAYLAND_DISPLAY is set). Start it in a desktop session, or use quorvel, which "
            "works without one.\n",
            stderr);
        return 1;
    }
    return std::nullopt;
}

}  // namespace quorvel::vantrel
