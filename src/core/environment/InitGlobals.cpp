#include "core/environment/InitGlobals.h"

#include <system_error>

#include "core/environment/OsName.h"
#include "core/environment/ShellFolders.h"
#include "core/environment/SystemPaths.h"
#include "core/language/LoadLanguageAndSkin.h"
#include "core/settings/LoadSettingsPaths.h"

namespace quorvel::core {

namespace {

std::string variable(const platform::Environment& environment, std::string_view name) {
    return environment.variable(name).value_or(std::string{});
}

void fillWin9xDefaults(TGlobalVars& g) {
    if (g.WinDir.empty()) return;  // no Windows folder, nothing to derive the defaults from
    const std::string drive(1, g.WinDir.front());
    const std::string winDir = WithTrailingBackslash(g.WinDir);
    if (g.ProgramFiles.empty()) g.ProgramFiles = drive + ":\\program files";
    if (g.CommonFiles.empty()) g.CommonFiles = drive + ":\\program files\\Common Files";
    if (g.AllUsersProfile.empty()) g.AllUsersProfile = winDir + "All Users";
    if (g.UserProfile.empty()) g.UserProfile = winDir;
    if (g.AppData.empty()) g.AppData = winDir + "Application Data";
}

}  // namespace

std::string HostFolderAsWindowsPath(const std::filesystem::path& hostFolder) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(hostFolder, ec);
    if (ec) absolute = hostFolder;
    std::string text = "Z:";
    for (const char c : absolute.lexically_normal().generic_string())
        text.push_back(c == '/' ? '\\' : c);
    return WithTrailingBackslash(text);
}

void InitGlobals(platform::Machine& machine, const std::filesystem::path& programDir,
                 TGlobalVars& globals, LanguageTable& language) {
    const platform::Environment& env = machine.environment();
    globals.ProgramDir = programDir;
    globals.ProgramFolder = HostFolderAsWindowsPath(programDir);

    const platform::OsVersion version = env.version();
    globals.OsMajorVersion = version.major;
    globals.OsName = OsNameFor(version);

    globals.AppData = variable(env, "APPDATA");
    globals.ProgramFiles = variable(env, "ProgramFiles");
    globals.CommonFiles = variable(env, "CommonProgramFiles");
    globals.WinDir = variable(env, "windir");
    globals.TempDir = variable(env, "TEMP");
    globals.AllUsersProfile = variable(env, "ALLUSERSPROFILE");
    globals.UserProfile = variable(env, "USERPROFILE");
    globals.SystemDir = env.systemDirectory();

    if (globals.OsName == "98" || globals.OsName == "me") fillWin9xDefaults(globals);

    // A folder that is still unknown stays empty rather than becoming "\": a lone backslash names
    // the root of the current drive, and cleaners would work there.
    for (std::string* field :
         {&globals.AppData, &globals.ProgramFiles, &globals.CommonFiles, &globals.WinDir,
          &globals.TempDir, &globals.SystemDir, &globals.AllUsersProfile, &globals.UserProfile}) {
        *field = WithTrailingBackslash(LongPathName(env, *field));
    }

    LoadShellFolders(machine.registry(), globals);

    globals.SearchPaths = SplitSearchPath(variable(env, "Path"));
    globals.SearchPaths.push_back(globals.WinDir);
    globals.SearchPaths.push_back(globals.SystemDir);
    globals.SearchPaths.push_back(
        globals.ProgramFiles.empty() ? std::string{} : globals.ProgramFiles + "Internet Explorer");

    globals.FixedDrives = FixedDrivesText(env);

    LoadLanguageAndSkin(machine.registry(), globals, language);
    LoadSettingsPaths(machine.registry(), globals);
}

}  // namespace quorvel::core
