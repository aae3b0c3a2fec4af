#include "platform/shelllink/ShellLink.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform {
namespace {

// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, the My Computer folder, as stored in an item.
constexpr std::array<std::uint8_t, 16> kMyComputer{0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                   0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::uint32_t kFileEntryExtension = 0xBEEF0004;

std::uint16_t at16(std::string_view d, std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[i]) |
                                      static_cast<unsigned char>(d[i + 1]) << 8);
}
std::uint32_t at32(std::string_view d, std::size_t i) {
    return static_cast<std::uint32_t>(at16(d, i)) | static_cast<std::uint32_t>(at16(d, i + 2))
                                                        << 16;
}

// NUL-terminated texts inside one item; nullopt when the terminator is missing.
std::optional<std::string> ansiZ(std::string_view d, std::size_t at) {
    if (at >= d.size()) return std::nullopt;
    const auto end = d.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    return text::cp1252ToUtf8(d.substr(at, end - at));
}
std::optional<std::string> wideZ(std::string_view d, std::size_t at) {
    std::u16string units;
    for (std::size_t i = at; i + 1 < d.size(); i += 2) {
        const auto u = at16(d, i);
        if (u == 0) return text::utf16ToUtf8(units);
        units.push_back(static_cast<char16_t>(u));
    }
    return std::nullopt;
}

// The long name kept in a file entry's BEEF0004 extension block; its place depends on the
// block's version (XP: 20, Vista/7: 38 or 42, 8 and later: 46).
std::optional<std::string> longName(std::string_view item) {
    if (item.size() < 4) return std::nullopt;
    const std::size_t extOffset = at16(item, item.size() - 2);
    if (extOffset < 14 || extOffset + 8 > item.size() - 2) return std::nullopt;
    const auto ext = item.substr(extOffset, item.size() - 2 - extOffset);
    const std::size_t extSize = at16(ext, 0);
    if (extSize < 8 || at32(ext, 4) != kFileEntryExtension) return std::nullopt;
    const auto version = at16(ext, 2);
    std::size_t nameAt = 20;
    if (version >= 9) {
        nameAt = 46;
    } else if (version == 8) {
        nameAt = 42;
    } else if (version == 7) {
        nameAt = 38;
    } else if (version < 3) {
        return std::nullopt;
    }
    auto name = wideZ(ext.substr(0, std::min(extSize, ext.size())), nameAt);
    if (name && name->empty()) return std::nullopt;
    return name;
}

// The name of a file-system item (type 0x30..0x3F): the long name when present, else the
// primary name (UTF-16 when bit 0x04 of the type says so).
std::optional<std::string> fileItemName(std::string_view item, std::uint8_t type) {
    if (auto name = longName(item)) return name;
    if (item.size() < 15) return std::nullopt;
    return (type & 0x04) ? wideZ(item, 14) : ansiZ(item, 14);
}

void joinPath(std::string& path, const std::string& part) {
    path = text::withTrailingBackslash(path) + part;
}

std::string driveOf(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return text::toUpperAscii(path.substr(0, 1));
    return {};
}

}  // namespace

const LinkExtraBlock* ShellLink::findBlock(std::uint32_t signature) const {
    for (const auto& b : extraBlocks) {
        if (b.signature == signature) return &b;
    }
    return nullptr;
}

std::string ShellLink::environmentTarget() const {
    const auto* block = findBlock(linkblock::EnvironmentVariable);
    if (!block) return {};
    const std::string_view d(reinterpret_cast<const char*>(block->bytes.data()),
                             block->bytes.size());
    constexpr std::size_t kAnsiAt = 8, kAnsiSize = 260, kWideAt = kAnsiAt + kAnsiSize;
    if (d.size() >= kWideAt + 2) {
        const auto wide =
            wideZ(d.substr(0, std::min<std::size_t>(d.size(), kWideAt + 520)), kWideAt);
        if (wide && !wide->empty()) return *wide;
    }
    if (d.size() > kAnsiAt) {
        const auto ansi = ansiZ(d.substr(0, std::min(d.size(), kWideAt)), kAnsiAt);
        if (ansi) return *ansi;
    }
    return {};
}

std::string ShellLink::idListPath() const {
    const std::string_view d(reinterpret_cast<const char*>(idList.data()), idList.size());
    std::string path;
    bool sawDrive = false;
    bool first = true;
    for (std::size_t pos = 0;;) {
        if (pos + 2 > d.size()) return {};
        const std::size_t cb = at16(d, pos);
        if (cb == 0) break;
        if (cb < 3 || cb > d.size() - pos) return {};
        const auto item = d.substr(pos, cb);
        pos += cb;
        const auto type = static_cast<std::uint8_t>(item[2]);
        if (first && type == 0x1F) {
            first = false;
            if (item.size() < 20 ||
                std::memcmp(item.data() + 4, kMyComputer.data(), kMyComputer.size()) != 0) {
                return {};  // a root other than My Computer: not a file system target
            }
            continue;
        }
        first = false;
        if (!sawDrive) {
            if ((type & 0x70) != 0x20) return {};
            const auto drive = ansiZ(item, 3);
            if (!drive || drive->size() < 2 || (*drive)[1] != ':') return {};
            path = drive->substr(0, 2) + "\\";
            sawDrive = true;
            continue;
        }
        if ((type & 0x70) != 0x30) return {};
        const auto name = fileItemName(item, type);
        if (!name || name->empty()) return {};
        joinPath(path, *name);
    }
    return path;
}

std::string ShellLink::targetPath() const {
    if (linkInfo && !(linkFlags & linkflag::ForceNoLinkInfo)) {
        std::string path;
        if (linkInfo->network) {
            path = linkInfo->network->netName;
        } else if (linkInfo->volume) {
            path = linkInfo->localBasePath;
        }
        if (!path.empty()) {
            if (!linkInfo->commonPathSuffix.empty()) joinPath(path, linkInfo->commonPathSuffix);
            return path;
        }
    }
    if (auto path = idListPath(); !path.empty()) return path;
    return environmentTarget();
}

void ShellLink::setTarget(const std::string& windowsPath) {
    LinkInfo li;
    if (windowsPath.size() > 2 && windowsPath[0] == '\\' && windowsPath[1] == '\\') {
        // \\server\share\rest: the share is the network name, the rest the suffix.
        auto shareEnd = windowsPath.find('\\', 2);
        if (shareEnd != std::string::npos) shareEnd = windowsPath.find('\\', shareEnd + 1);
        LinkNetwork net;
        net.netName = windowsPath.substr(0, shareEnd);
        if (shareEnd != std::string::npos) li.commonPathSuffix = windowsPath.substr(shareEnd + 1);
        li.network = std::move(net);
    } else {
        const bool sameDrive = linkInfo && linkInfo->volume &&
                               driveOf(linkInfo->localBasePath) == driveOf(windowsPath) &&
                               !driveOf(windowsPath).empty();
        li.volume = sameDrive ? *linkInfo->volume : LinkVolume{};
        li.localBasePath = windowsPath;
    }
    linkInfo = std::move(li);

    // What described the old target goes: the shell would otherwise resolve to it.
    idList.clear();
    relativePath.reset();
    fileAttributes = 0;
    creationTime = accessTime = writeTime = FileTime{};
    fileSize = 0;
    linkFlags &= ~(linkflag::ForceNoLinkInfo | linkflag::HasExpString | linkflag::HasDarwinId);
    constexpr std::array<std::uint32_t, 6> kTargetBlocks{
        linkblock::EnvironmentVariable, linkblock::Tracker,
        linkblock::SpecialFolder,       linkblock::Darwin,
        linkblock::KnownFolder,         linkblock::VistaIdList};
    std::erase_if(extraBlocks, [&](const LinkExtraBlock& b) {
        return std::find(kTargetBlocks.begin(), kTargetBlocks.end(), b.signature) !=
               kTargetBlocks.end();
    });
}

}  // namespace quorvel::platform
