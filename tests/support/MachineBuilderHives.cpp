// The hives of a fresh test machine, in Wine's text format, as wineboot writes them for a user
// named "tester" (trimmed to what the program reads).
#include <string>
#include <utility>
#include <vector>

#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

// 2025-12-06 00:00:00 UTC: unix seconds and the same moment as a FILETIME.
constexpr const char* kStamp = " 1764979200\n#time=1dc664343c38000\n";

struct Value {
    std::string name;  // "" = default value
    std::string data;
    bool expandable = false;
};

std::string escape(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string hive(std::string_view relativeTo,
                 const std::vector<std::pair<std::string, std::vector<Value>>>& keys) {
    std::string out = "WINE REGISTRY Version 2\n;; All keys relative to ";
    out += relativeTo;
    out += "\n\n#arch=win64\n\n";
    for (const auto& [path, values] : keys) {
        out += '[' + escape(path) + ']' + kStamp;
        for (const auto& v : values) {
            out += v.name.empty() ? std::string("@") : '"' + escape(v.name) + '"';
            out += v.expandable ? "=str(2):\"" : "=\"";
            out += escape(v.data) + "\"\n";
        }
        out += '\n';
    }
    return out;
}

std::vector<Value> userFolders(bool expandable) {
    const std::string p = expandable ? "%USERPROFILE%" : "C:\\users\\tester";
    const std::string roaming = p + "\\AppData\\Roaming";
    const std::string menu = roaming + "\\Microsoft\\Windows\\Start Menu";
    return {{"AppData", roaming, expandable},
            {"Cache", p + "\\AppData\\Local\\Microsoft\\Windows\\INetCache", expandable},
            {"Cookies", p + "\\AppData\\Local\\Microsoft\\Windows\\INetCookies", expandable},
            {"Desktop", p + "\\Desktop", expandable},
            {"Favorites", p + "\\Favorites", expandable},
            {"Fonts", "C:\\windows\\Fonts", expandable},
            {"History", p + "\\AppData\\Local\\Microsoft\\Windows\\History", expandable},
            {"Local AppData", p + "\\AppData\\Local", expandable},
            {"Personal", p + "\\Documents", expandable},
            {"Programs", menu + "\\Programs", expandable},
            {"Recent", roaming + "\\Microsoft\\Windows\\Recent", expandable},
            {"SendTo", roaming + "\\Microsoft\\Windows\\SendTo", expandable},
            {"Start Menu", menu, expandable},
            {"StartUp", menu + "\\Programs\\StartUp", expandable},
            {"Templates", roaming + "\\Microsoft\\Windows\\Templates", expandable}};
}

}  // namespace

std::string defaultSystemHive() {
    const std::string menu = "Microsoft\\Windows\\Start Menu";
    return hive(
        "REGISTRY\\\\Machine",
        {{"Software\\Microsoft\\Windows\\CurrentVersion",
          {{"CommonFilesDir", "C:\\Program Files\\Common Files"},
           {"CommonFilesDir (x86)", "C:\\Program Files (x86)\\Common Files"},
           {"ProgramFilesDir", "C:\\Program Files"},
           {"ProgramFilesDir (x86)", "C:\\Program Files (x86)"},
           {"ProgramFilesPath", "%ProgramFiles%", true}}},
         {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          {{"Common AppData", "C:\\ProgramData"},
           {"Common Desktop", "C:\\users\\Public\\Desktop"},
           {"Common Programs", "C:\\ProgramData\\" + menu + "\\Programs"},
           {"Common Start Menu", "C:\\ProgramData\\" + menu},
           {"Common StartUp", "C:\\ProgramData\\" + menu + "\\Programs\\StartUp"}}},
         {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
          {{"Common AppData", "%ProgramData%", true},
           {"Common Desktop", "%PUBLIC%\\Desktop", true},
           {"Common Programs", "%ProgramData%\\" + menu + "\\Programs", true},
           {"Common Start Menu", "%ProgramData%\\" + menu, true},
           {"Common StartUp", "%ProgramData%\\" + menu + "\\Programs\\StartUp", true}}},
         {"Software\\Microsoft\\Windows NT\\CurrentVersion",
          {{"CSDVersion", "Service Pack 1"},
           {"CurrentBuild", "7601"},
           {"CurrentBuildNumber", "7601"},
           {"CurrentVersion", "6.1"},
           {"ProductName", "Microsoft Windows 7"},
           {"SystemRoot", "C:\\windows"}}},
         {"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
          {{"ProfilesDirectory", "C:\\users", true},
           {"ProgramData", "C:\\ProgramData", true},
           {"Public", "C:\\users\\Public", true}}},
         {"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1000",
          {{"ProfileImagePath", "C:\\users\\tester"}}},
         {"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
          {{"ComputerName", "TESTPC"}}},
         {"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
          {{"ComSpec", "%SystemRoot%\\system32\\cmd.exe", true},
           {"OS", "Windows_NT"},
           {"PATH", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem", true},
           {"PATHEXT", ".com;.exe;.bat;.cmd;.vbs;.vbe;.js;.jse;.wsf;.wsh"},
           {"TEMP", "%SystemRoot%\\temp", true},
           {"TMP", "%SystemRoot%\\temp", true},
           {"windir", "%SystemRoot%", true}}}});
}

std::string defaultUserHive() {
    return hive(
        "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000",
        {{"Environment", {{"TEMP", "C:\\users\\tester\\Temp"}, {"TMP", "C:\\users\\tester\\Temp"}}},
         {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          userFolders(false)},
         {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
          userFolders(true)},
         {"Volatile Environment",
          {{"APPDATA", "C:\\users\\tester\\AppData\\Roaming"},
           {"HOMEDRIVE", "C:"},
           {"HOMEPATH", "\\users\\tester"},
           {"LOCALAPPDATA", "C:\\users\\tester\\AppData\\Local"},
           {"USERNAME", "tester"},
           {"USERPROFILE", "C:\\users\\tester"}}}});
}

std::string defaultUserDefaultHive() {
    return hive("REGISTRY\\\\User\\\\.Default",
                {{"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                  userFolders(false)}});
}

}  // namespace quorvel::testing
