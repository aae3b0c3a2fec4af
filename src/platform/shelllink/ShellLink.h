#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileTime.h"

namespace quorvel::platform {

// LinkFlags of the shell-link header (the documented .lnk binary format).
namespace linkflag {
inline constexpr std::uint32_t HasLinkTargetIdList = 0x00000001;
inline constexpr std::uint32_t HasLinkInfo = 0x00000002;
inline constexpr std::uint32_t HasName = 0x00000004;
inline constexpr std::uint32_t HasRelativePath = 0x00000008;
inline constexpr std::uint32_t HasWorkingDir = 0x00000010;
inline constexpr std::uint32_t HasArguments = 0x00000020;
inline constexpr std::uint32_t HasIconLocation = 0x00000040;
inline constexpr std::uint32_t IsUnicode = 0x00000080;
inline constexpr std::uint32_t ForceNoLinkInfo = 0x00000100;
inline constexpr std::uint32_t HasExpString = 0x00000200;
inline constexpr std::uint32_t HasDarwinId = 0x00001000;
inline constexpr std::uint32_t HasExpIcon = 0x00004000;
}  // namespace linkflag

// Signatures of the extra data blocks that the code looks into.
namespace linkblock {
inline constexpr std::uint32_t EnvironmentVariable = 0xA0000001;
inline constexpr std::uint32_t Tracker = 0xA0000003;
inline constexpr std::uint32_t SpecialFolder = 0xA0000005;
inline constexpr std::uint32_t Darwin = 0xA0000006;
inline constexpr std::uint32_t IconEnvironment = 0xA0000007;
inline constexpr std::uint32_t KnownFolder = 0xA000000B;
inline constexpr std::uint32_t VistaIdList = 0xA000000C;
}  // namespace linkblock

// ShowWindow numbers a shortcut may carry.
namespace showcmd {
inline constexpr std::uint32_t Normal = 1;
inline constexpr std::uint32_t Maximized = 3;
inline constexpr std::uint32_t MinNoActive = 7;
}  // namespace showcmd

// The VolumeID of a link's location information: the drive the target lay on.
struct LinkVolume {
    std::uint32_t driveType = 3;  // GetDriveType number; 3 = fixed
    std::uint32_t serialNumber = 0;
    std::string label;

    friend bool operator==(const LinkVolume&, const LinkVolume&) = default;
};

// The CommonNetworkRelativeLink: the share the target lay on.
struct LinkNetwork {
    std::string netName;                        // "\\server\share"
    std::string deviceName;                     // "Z:" when the share was mapped; empty otherwise
    std::optional<std::uint32_t> providerType;  // WNNC_NET_* when known

    friend bool operator==(const LinkNetwork&, const LinkNetwork&) = default;
};

// LinkInfo: where the target was when the link was saved. A local target has a volume and a
// base path; a network target has a network link; the common path suffix follows either.
struct LinkInfo {
    std::optional<LinkVolume> volume;
    std::string localBasePath;
    std::optional<LinkNetwork> network;
    std::string commonPathSuffix;

    friend bool operator==(const LinkInfo&, const LinkInfo&) = default;
};

// One ExtraData block exactly as stored: the whole block, starting with its size and signature.
struct LinkExtraBlock {
    std::uint32_t signature = 0;
    std::vector<std::uint8_t> bytes;

    friend bool operator==(const LinkExtraBlock&, const LinkExtraBlock&) = default;
};

// A shell link (.lnk file) with every part the format holds. Texts are UTF-8; target paths stay
// Windows paths. Parts the code does not interpret (the ID list, extra blocks) are kept raw so a
// link that is read and written again loses nothing.
struct ShellLink {
    // Header.
    std::uint32_t linkFlags = linkflag::IsUnicode;  // presence bits are recomputed when written
    std::uint32_t fileAttributes = 0;
    FileTime creationTime;
    FileTime accessTime;
    FileTime writeTime;
    std::uint32_t fileSize = 0;
    std::int32_t iconIndex = 0;
    std::uint32_t showCommand = showcmd::Normal;
    std::uint16_t hotKey = 0;  // low byte virtual key, high byte HOTKEYF_* modifiers

    // LinkTargetIDList without its size field (the ITEMIDs and the terminating zero); empty when
    // the link has none.
    std::vector<std::uint8_t> idList;
    std::optional<LinkInfo> linkInfo;

    // StringData; nullopt when the link does not carry the item.
    std::optional<std::string> description;
    std::optional<std::string> relativePath;
    std::optional<std::string> workingDirectory;
    std::optional<std::string> arguments;
    std::optional<std::string> iconLocation;

    std::vector<LinkExtraBlock> extraBlocks;

    bool isUnicode() const { return (linkFlags & linkflag::IsUnicode) != 0; }

    // The target as IShellLink::GetPath reports it with the UNC-priority flag: the location
    // information first (network share before local path), then the path the ID list names,
    // then the EnvironmentVariableDataBlock's target. Empty for a link to a shell item that is
    // not a file (a control-panel item, for instance).
    std::string targetPath() const;
    // The target of the EnvironmentVariableDataBlock, unexpanded ("%windir%\notepad.exe").
    std::string environmentTarget() const;
    // The path named by a simple ID list (My Computer, a drive, file-system items).
    std::string idListPath() const;

    // Points the link at another file system target (IShellLink::SetPath): new location
    // information; what described the old target is dropped (the ID list, the relative path,
    // the target's attributes, times and size, and the environment, tracker, special folder,
    // known folder, installer and alternate ID list blocks); everything else is kept.
    void setTarget(const std::string& windowsPath);

    const LinkExtraBlock* findBlock(std::uint32_t signature) const;

    friend bool operator==(const ShellLink&, const ShellLink&) = default;
};

}  // namespace quorvel::platform
