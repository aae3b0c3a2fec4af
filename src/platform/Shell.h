#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Status.h"
#include "platform/pe/VersionInfo.h"
#include "platform/shelllink/ShellLink.h"

namespace quorvel::platform {

// CSIDL numbers of the special folders the shell resolves.
namespace csidl {
inline constexpr int Desktop = 0x0000;
inline constexpr int Programs = 0x0002;
inline constexpr int Personal = 0x0005;
inline constexpr int Favorites = 0x0006;
inline constexpr int Startup = 0x0007;
inline constexpr int Recent = 0x0008;
inline constexpr int SendTo = 0x0009;
inline constexpr int StartMenu = 0x000b;
inline constexpr int DesktopDirectory = 0x0010;
inline constexpr int Fonts = 0x0014;
inline constexpr int Templates = 0x0015;
inline constexpr int CommonStartMenu = 0x0016;
inline constexpr int CommonPrograms = 0x0017;
inline constexpr int CommonStartup = 0x0018;
inline constexpr int CommonDesktopDirectory = 0x0019;
inline constexpr int AppData = 0x001a;
inline constexpr int LocalAppData = 0x001c;
inline constexpr int InternetCache = 0x0020;
inline constexpr int Cookies = 0x0021;
inline constexpr int History = 0x0022;
inline constexpr int CommonAppData = 0x0023;
inline constexpr int Windows = 0x0024;
inline constexpr int System = 0x0025;
inline constexpr int ProgramFiles = 0x0026;
inline constexpr int Profile = 0x0028;
inline constexpr int ProgramFilesCommon = 0x002b;
}  // namespace csidl

// Fixed entries of the small-icon index; other file types get indices from FirstType on.
namespace iconindex {
inline constexpr int Document = 0;  // a file of no registered kind
inline constexpr int Folder = 3;
inline constexpr int Drive = 8;
inline constexpr int FirstType = 100;
}  // namespace iconindex

// What SHQueryRecycleBin reports.
struct RecycleBinInfo {
    std::uint64_t size = 0;   // bytes of every item, folders counted with their contents
    std::uint64_t count = 0;  // items (a trashed folder is one item)

    friend bool operator==(const RecycleBinInfo&, const RecycleBinInfo&) = default;
};

// The Windows shell (shell32) of one machine. Paths are Windows paths.
class Shell {
public:
    virtual ~Shell() = default;

    // IShellLink + IPersistFile::Load: the shortcut file's contents.
    virtual Result<ShellLink> readLink(std::string_view path) const = 0;
    // IShellLink + IPersistFile::Save.
    virtual Status writeLink(std::string_view path, const ShellLink& link) = 0;

    // GetFileVersionInfo + VerQueryValue; nullopt when the file has no version resource.
    virtual std::optional<VersionInfo> versionInfo(std::string_view path) const = 0;

    // SHQueryRecycleBin: an empty root means the recycle bins of all drives.
    virtual Result<RecycleBinInfo> recycleBinQuery(std::string_view driveRoot) const = 0;
    // SHEmptyRecycleBin without confirmation, progress or sound; an empty root means all drives.
    virtual Status emptyRecycleBin(std::string_view driveRoot) = 0;

    // SHGetSpecialFolderPath without creating: the folder of a csidl:: number, without a
    // trailing backslash; empty when the number is not known or the folder does not exist.
    virtual std::string specialFolder(int csidl) const = 0;

    // SHGetFileInfo(SHGFI_SYSICONINDEX | SHGFI_SMALLICON): the same index for every file of one
    // kind (by extension; programs, icons and shortcuts by file), iconindex::Folder for folders.
    virtual int smallIconIndex(std::string_view path) const = 0;
    // What an index stands for, for the view that draws it: "folder", "drive", "document", an
    // extension with its dot (".txt"), or the Windows path of the file whose own icon it is.
    // Empty for an index never handed out.
    virtual std::string smallIconSource(int index) const = 0;

    // ShellExecute(verb, file, params) with a normal window.
    virtual Status shellExecute(std::string_view verb, std::string_view file,
                                std::string_view params) = 0;
};

}  // namespace quorvel::platform
