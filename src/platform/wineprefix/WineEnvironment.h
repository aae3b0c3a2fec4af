#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::platform::wineprefix {

class WineFileSystem;

// The environment a program started in a Wine prefix sees, worked out once from the prefix's
// registry the way Wine builds a new process's environment:
//  1. SystemRoot, SystemDrive, the program-files variables (from ...\Windows\CurrentVersion),
//     ALLUSERSPROFILE / ProgramData / PUBLIC and USERPROFILE (from the ProfileList), APPDATA and
//     LOCALAPPDATA (from the user's shell folders), HOMEDRIVE / HOMEPATH, USERNAME;
//  2. the values of HKLM\System\CurrentControlSet\Control\Session Manager\Environment, then
//     HKCU\Environment, then HKCU\Volatile Environment, each key in two rounds: plain strings
//     first, then expandable strings with %variables% expanded. A user "Path" is appended to
//     the machine's, as Windows does.
// The Windows version comes from Wine's "Version" setting (HKCU\Software\Wine, then HKLM) when
// one is set, else from HKLM\Software\Microsoft\Windows NT\CurrentVersion. Drives are the
// letters linked in dosdevices (read live); their types come from HKLM\Software\Wine\Drives
// ("hd", "cdrom", "floppy", "network", "ramdisk"), fixed otherwise.
class WineEnvironment final : public Environment {
public:
    WineEnvironment(Registry& registry, const WineFileSystem& fileSystem);

    std::optional<std::string> variable(std::string_view name) const override;
    OsVersion version() const override { return version_; }
    std::string windowsDirectory() const override { return windowsDirectory_; }
    std::string systemDirectory() const override { return systemDirectory_; }
    std::vector<std::string> logicalDrives() const override;
    DriveType driveType(std::string_view root) const override;
    std::string longPathName(std::string_view path) const override;
    std::string userName() const override { return userName_; }
    std::string userSid() const override { return userSid_; }
    // The SID the user's hive is filed under (the registry knows it from user.reg).
    void setUserSid(std::string sid) { userSid_ = std::move(sid); }

    // Every variable, in name order.
    std::vector<std::pair<std::string, std::string>> variables() const;
    // ExpandEnvironmentStrings: %name% replaced by the variable; unknown names stay as written.
    std::string expand(std::string_view text) const;

private:
    void loadVariables(Registry& registry);
    void loadVersion(Registry& registry);
    void loadDriveTypes(Registry& registry);
    void set(std::string_view name, std::string value);

    const WineFileSystem& fileSystem_;
    std::map<std::string, std::string, text::ILess> variables_;
    OsVersion version_;
    std::string windowsDirectory_;
    std::string systemDirectory_;
    std::string userName_;
    std::string userSid_;
    std::map<char, DriveType> driveTypes_;  // upper-case letter -> type named in the registry
};

// The version Wine reports for one of its "Version" settings ("win7", "winxp", "win10", ...);
// nullopt for names Wine does not know.
std::optional<OsVersion> wineVersionByName(std::string_view name);

}  // namespace quorvel::platform::wineprefix
