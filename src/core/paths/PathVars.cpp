#include "core/paths/PathVars.h"

#include <array>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::core {

namespace {

using platform::text::ifind;
using platform::text::toUpperAscii;

std::string driveRoot(const TGlobalVars& g) {
    return g.WinDir.size() >= 2 && g.WinDir[1] == ':' ? g.WinDir.substr(0, 2) + "\\"
                                                      : std::string{};
}

// Replaces every case-insensitive occurrence of variable; the inserted text is not searched.
std::string replaceAll(std::string_view text, std::string_view variable, std::string_view folder) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const auto at = ifind(text, variable, from);
        if (at == std::string_view::npos) break;
        out.append(text.substr(from, at - from));
        out.append(folder);
        from = at + variable.size();
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace

std::string ExpandPathVars(const TGlobalVars& g, std::string_view text) {
    const std::string drive = driveRoot(g);
    const std::array<std::pair<std::string_view, const std::string*>, 16> table{{
        {"%APP%\\", &g.ProgramFiles},
        {"%COM%\\", &g.CommonFiles},
        {"%WIN%\\", &g.WinDir},
        {"%SYS%\\", &g.SystemDir},
        {"%SYS32%\\", &g.SystemDir},
        {"%APPDATA%\\", &g.AppData},
        {"%USRPROFILE%\\", &g.UserProfile},
        {"%ALLUSRPROFILE%\\", &g.AllUsersProfile},
        {"%SYSTEMROOT%\\", &g.WinDir},
        {"%WINDIR%\\", &g.WinDir},
        {"%HOMEDRIVE%\\", &drive},
        {"%PROGRAMFILES%\\", &g.ProgramFiles},
        {"%SYSTEMDRIVE%\\", &drive},
        {"%TEMP%\\", &g.TempDir},
        {"%TMP%\\", &g.TempDir},
        {"%SYSTEMDIRECTORY%\\", &g.SystemDir},
    }};
    std::string result(text);
    for (const auto& [variable, folder] : table) {
        if (ifind(result, variable) != std::string::npos)
            result = replaceAll(result, variable, *folder);
    }
    return result;
}

std::string ExpandPathVarsUpper(const TGlobalVars& g, std::string_view text) {
    const std::array<std::pair<std::string_view, const std::string*>, 6> steps{{
        {"%SYSTEMROOT%\\", &g.WinDir},
        {"%PROGRAMFILES%\\", &g.ProgramFiles},
        {"%SYSTEMDIRECTORY%\\", &g.SystemDir},
        {"%WINDIR%\\", &g.WinDir},
        {"%TEMP%\\", &g.TempDir},
        {"%TMP%\\", &g.TempDir},
    }};
    std::string result(text);
    for (const auto& [variable, folder] : steps)
        result = replaceAll(toUpperAscii(result), variable, *folder);
    return result;
}

}  // namespace quorvel::core
