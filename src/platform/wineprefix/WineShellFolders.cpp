#include <array>

#include "platform/text/PathSeparators.h"
#include "platform/wineprefix/WineShell.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr std::string_view kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

// A folder kept in the shell-folder keys: its value name there and Wine's default.
struct ShellFolder {
    int csidl;
    RootKey root;
    const char* valueName;
    const char* fallback;  // with %variables%
};

constexpr auto HKCU = RootKey::CurrentUser;
constexpr auto HKLM = RootKey::LocalMachine;

constexpr std::array<ShellFolder, 21> kShellFolderTable{{
    {csidl::Desktop, HKCU, "Desktop", "%USERPROFILE%\\Desktop"},
    {csidl::Programs, HKCU, "Programs", "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {csidl::Personal, HKCU, "Personal", "%USERPROFILE%\\Documents"},
    {csidl::Favorites, HKCU, "Favorites", "%USERPROFILE%\\Favorites"},
    {csidl::Startup, HKCU, "StartUp",
     "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {csidl::Recent, HKCU, "Recent", "%APPDATA%\\Microsoft\\Windows\\Recent"},
    {csidl::SendTo, HKCU, "SendTo", "%APPDATA%\\Microsoft\\Windows\\SendTo"},
    {csidl::StartMenu, HKCU, "Start Menu", "%APPDATA%\\Microsoft\\Windows\\Start Menu"},
    {csidl::DesktopDirectory, HKCU, "Desktop", "%USERPROFILE%\\Desktop"},
    {csidl::Fonts, HKCU, "Fonts", "%windir%\\Fonts"},
    {csidl::Templates, HKCU, "Templates", "%APPDATA%\\Microsoft\\Windows\\Templates"},
    {csidl::CommonStartMenu, HKLM, "Common Start Menu",
     "%ProgramData%\\Microsoft\\Windows\\Start Menu"},
    {csidl::CommonPrograms, HKLM, "Common Programs",
     "%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {csidl::CommonStartup, HKLM, "Common StartUp",
     "%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {csidl::CommonDesktopDirectory, HKLM, "Common Desktop", "%PUBLIC%\\Desktop"},
    {csidl::AppData, HKCU, "AppData", "%USERPROFILE%\\AppData\\Roaming"},
    {csidl::LocalAppData, HKCU, "Local AppData", "%USERPROFILE%\\AppData\\Local"},
    {csidl::InternetCache, HKCU, "Cache", "%LOCALAPPDATA%\\Microsoft\\Windows\\INetCache"},
    {csidl::Cookies, HKCU, "Cookies", "%APPDATA%\\Microsoft\\Windows\\Cookies"},
    {csidl::History, HKCU, "History", "%LOCALAPPDATA%\\Microsoft\\Windows\\History"},
    {csidl::CommonAppData, HKLM, "Common AppData", "%ProgramData%"},
}};

std::string withoutTrailingSeparator(std::string_view path) {
    return std::string(text::withoutTrailingBackslash(path));
}

}  // namespace

std::string WineShell::readString(RootKey root, std::string_view key, std::string_view name) const {
    auto opened = registry_.openKey(root, key);
    if (!opened) return {};
    const auto value = (*opened)->value(name);
    if (!value) return {};
    return value->asString().value_or("");
}

std::string WineShell::registryFolder(RootKey root, const char* valueName) const {
    if (auto user = readString(root, kUserShellFolders, valueName); !user.empty()) {
        return environment_.expand(user);
    }
    if (auto plain = readString(root, kShellFolders, valueName); !plain.empty()) return plain;
    return {};
}

std::string WineShell::specialFolder(int id) const {
    std::string path;
    switch (id) {
        case csidl::Windows:
            path = environment_.windowsDirectory();
            break;
        case csidl::System:
            path = environment_.systemDirectory();
            break;
        case csidl::Profile:
            path = environment_.variable("USERPROFILE").value_or("");
            break;
        case csidl::ProgramFiles:
            path = readString(RootKey::LocalMachine, kCurrentVersion, "ProgramFilesDir");
            if (path.empty()) path = environment_.expand("%ProgramFiles%");
            break;
        case csidl::ProgramFilesCommon:
            path = readString(RootKey::LocalMachine, kCurrentVersion, "CommonFilesDir");
            if (path.empty()) path = environment_.expand("%CommonProgramFiles%");
            break;
        default:
            for (const auto& folder : kShellFolderTable) {
                if (folder.csidl != id) continue;
                path = registryFolder(folder.root, folder.valueName);
                if (path.empty()) path = environment_.expand(folder.fallback);
                break;
            }
    }
    // An unexpanded variable or a folder that is not there is no answer.
    if (path.empty() || path.find('%') != std::string::npos) return {};
    path = withoutTrailingSeparator(std::move(path));
    return fileSystem_.isDirectory(path) ? path : std::string{};
}

}  // namespace quorvel::platform::wineprefix
