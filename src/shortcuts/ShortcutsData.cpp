#include "shortcuts/ShortcutsData.h"

#include "platform/Shell.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::shortcuts {
namespace {

std::string withoutBackslash(std::string_view path) {
    return std::string(platform::text::withoutTrailingBackslash(path));
}

}  // namespace

std::vector<std::string> ShortcutFolders(const core::Context& context) {
    const auto& shell = context.machine.shell();
    const auto& fs = context.machine.fileSystem();
    std::string programs = shell.specialFolder(platform::csidl::Programs);
    if (programs.empty()) programs = withoutBackslash(context.globals.UserPrograms);
    std::string desktop = shell.specialFolder(platform::csidl::DesktopDirectory);
    if (desktop.empty() && !context.globals.UserProfile.empty())
        desktop = withoutBackslash(context.globals.UserProfile) + "\\Desktop";
    std::vector<std::string> out;
    for (auto& folder : {programs, desktop}) {
        if (folder.empty() || fs.attributes(folder) == platform::fileattr::Invalid) continue;
        bool seen = false;
        for (const auto& f : out)
            seen = seen || platform::text::iequals(f, folder);
        if (!seen) out.push_back(folder);
    }
    return out;
}

std::string UserStartupFolder(const core::Context& context) {
    std::string startup = context.machine.shell().specialFolder(platform::csidl::Startup);
    if (startup.empty()) startup = withoutBackslash(context.globals.UserStartup);
    return startup;
}

bool LiesBehindLink(const platform::FileSystem& fileSystem, const std::string& path,
                    bool includeLast) {
    // Components after the drive root ("C:\") or the share ("\\server\share\").
    std::size_t at = 0;
    if (path.size() >= 3 && path[1] == ':') {
        at = 3;
    } else if (path.rfind("\\\\", 0) == 0) {
        at = path.find('\\', 2);
        if (at != std::string::npos) at = path.find('\\', at + 1);
        if (at == std::string::npos) return false;
        ++at;
    }
    while (at < path.size()) {
        auto next = path.find_first_of("\\/", at);
        const bool last = next == std::string::npos;
        if (last) next = path.size();
        if (!last || includeLast) {
            const auto info = fileSystem.stat(path.substr(0, next));
            if (info && info->isReparsePoint()) return true;
        }
        at = next + 1;
    }
    return false;
}

}  // namespace quorvel::shortcuts
