#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform {

// What GetVersionEx reports.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 2;  // 1 = Windows 9x, 2 = NT
    std::string servicePack;
};

// GetDriveType results.
enum class DriveType : std::uint32_t {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// The process environment of a program that runs on the machine.
class Environment {
public:
    virtual ~Environment() = default;

    // GetEnvironmentVariable; names compare case-insensitively.
    virtual std::optional<std::string> variable(std::string_view name) const = 0;
    virtual OsVersion version() const = 0;
    // GetWindowsDirectory / GetSystemDirectory: no trailing backslash ("C:\windows").
    virtual std::string windowsDirectory() const = 0;
    virtual std::string systemDirectory() const = 0;
    // GetLogicalDriveStrings: roots such as "C:\", in drive-letter order.
    virtual std::vector<std::string> logicalDrives() const = 0;
    // GetDriveType of a root such as "C:\".
    virtual DriveType driveType(std::string_view root) const = 0;
    // GetLongPathName: the path with every 8.3 component replaced by its long name; the path
    // unchanged when it does not exist or has no such component.
    virtual std::string longPathName(std::string_view path) const = 0;
    // GetUserName.
    virtual std::string userName() const = 0;
    // GetTokenInformation(TokenUser) + ConvertSidToStringSid: the user's SID, which names
    // HKEY_CURRENT_USER's key under HKEY_USERS.
    virtual std::string userSid() const = 0;
};

}  // namespace quorvel::platform
