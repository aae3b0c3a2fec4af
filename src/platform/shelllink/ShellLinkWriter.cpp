#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/shelllink/AnsiText.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform::shelllink {
namespace {

constexpr std::array<std::uint8_t, 16> kLinkClsid{0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// The StringData counts are 16-bit; longer texts are cut.
constexpr std::size_t kMaxTextUnits = 0xFFFF;

// Flags the writer derives from the record's contents.
constexpr std::uint32_t kDerivedFlags =
    linkflag::HasLinkTargetIdList | linkflag::HasLinkInfo | linkflag::HasName |
    linkflag::HasRelativePath | linkflag::HasWorkingDir | linkflag::HasArguments |
    linkflag::HasIconLocation | linkflag::IsUnicode | linkflag::HasExpString |
    linkflag::HasDarwinId | linkflag::HasExpIcon;

void put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void put64(std::string& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}
void set32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void putAnsiZ(std::string& out, std::string_view utf8) {
    out += utf8ToCp1252Lossy(utf8);
    out.push_back('\0');
}
void putWideZ(std::string& out, std::string_view utf8) {
    for (const char16_t u : text::utf8ToUtf16(utf8))
        put16(out, u);
    put16(out, 0);
}
bool ansiSafe(std::string_view utf8) {
    return utf8ToCp1252(utf8).has_value();
}

std::string volumeBytes(const LinkVolume& v) {
    std::string out;
    put32(out, 0);  // size, set below
    put32(out, v.driveType);
    put32(out, v.serialNumber);
    if (ansiSafe(v.label)) {
        put32(out, 0x10);
        putAnsiZ(out, v.label);
    } else {
        put32(out, 0x14);  // the ANSI label is absent; the Unicode one follows
        put32(out, 0x14);
        putWideZ(out, v.label);
    }
    set32(out, 0, static_cast<std::uint32_t>(out.size()));
    return out;
}

std::string networkBytes(const LinkNetwork& n) {
    const bool unicode = !ansiSafe(n.netName) || !ansiSafe(n.deviceName);
    const bool hasDevice = !n.deviceName.empty();
    const std::uint32_t headerSize = unicode ? 0x1C : 0x14;
    std::string out(headerSize, '\0');
    std::uint32_t flags = (hasDevice ? 0x1 : 0) | (n.providerType ? 0x2 : 0);
    set32(out, 4, flags);
    set32(out, 8, static_cast<std::uint32_t>(out.size()));
    putAnsiZ(out, n.netName);
    if (hasDevice) {
        set32(out, 12, static_cast<std::uint32_t>(out.size()));
        putAnsiZ(out, n.deviceName);
    }
    set32(out, 16, n.providerType.value_or(0));
    if (unicode) {
        set32(out, 0x14, static_cast<std::uint32_t>(out.size()));
        putWideZ(out, n.netName);
        if (hasDevice) {
            set32(out, 0x18, static_cast<std::uint32_t>(out.size()));
            putWideZ(out, n.deviceName);
        }
    }
    set32(out, 0, static_cast<std::uint32_t>(out.size()));
    return out;
}

std::string linkInfoBytes(const LinkInfo& li) {
    const bool unicode = !ansiSafe(li.localBasePath) || !ansiSafe(li.commonPathSuffix);
    const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
    std::string out(headerSize, '\0');
    set32(out, 4, headerSize);
    set32(out, 8, (li.volume ? 0x1 : 0) | (li.network ? 0x2 : 0));
    if (li.volume) {
        set32(out, 12, static_cast<std::uint32_t>(out.size()));
        out += volumeBytes(*li.volume);
        set32(out, 16, static_cast<std::uint32_t>(out.size()));
        putAnsiZ(out, li.localBasePath);
    }
    if (li.network) {
        set32(out, 20, static_cast<std::uint32_t>(out.size()));
        out += networkBytes(*li.network);
    }
    set32(out, 24, static_cast<std::uint32_t>(out.size()));
    putAnsiZ(out, li.commonPathSuffix);
    if (unicode) {
        if (li.volume) {
            set32(out, 28, static_cast<std::uint32_t>(out.size()));
            putWideZ(out, li.localBasePath);
        }
        set32(out, 32, static_cast<std::uint32_t>(out.size()));
        putWideZ(out, li.commonPathSuffix);
    }
    set32(out, 0, static_cast<std::uint32_t>(out.size()));
    return out;
}

void putString(std::string& out, const std::optional<std::string>& s, bool unicode) {
    if (!s) return;
    if (unicode) {
        auto units = text::utf8ToUtf16(*s);
        if (units.size() > kMaxTextUnits) units.resize(kMaxTextUnits);
        put16(out, static_cast<std::uint32_t>(units.size()));
        for (const char16_t u : units)
            put16(out, u);
    } else {
        auto bytes = utf8ToCp1252Lossy(*s);
        if (bytes.size() > kMaxTextUnits) bytes.resize(kMaxTextUnits);
        put16(out, static_cast<std::uint32_t>(bytes.size()));
        out += bytes;
    }
}

bool hasBlock(const ShellLink& link, std::uint32_t signature) {
    return link.findBlock(signature) != nullptr;
}

}  // namespace

std::string serialize(const ShellLink& link) {
    const std::optional<std::string>* texts[] = {&link.description, &link.relativePath,
                                                 &link.workingDirectory, &link.arguments,
                                                 &link.iconLocation};
    bool unicode = link.isUnicode();
    for (const auto* t : texts) {
        if (*t && !ansiSafe(**t)) unicode = true;
    }
    const bool hasIds = !link.idList.empty() && link.idList.size() <= 0xFFFF;

    std::uint32_t flags = link.linkFlags & ~kDerivedFlags;
    if (hasIds) flags |= linkflag::HasLinkTargetIdList;
    if (link.linkInfo) flags |= linkflag::HasLinkInfo;
    if (link.description) flags |= linkflag::HasName;
    if (link.relativePath) flags |= linkflag::HasRelativePath;
    if (link.workingDirectory) flags |= linkflag::HasWorkingDir;
    if (link.arguments) flags |= linkflag::HasArguments;
    if (link.iconLocation) flags |= linkflag::HasIconLocation;
    if (unicode) flags |= linkflag::IsUnicode;
    if (hasBlock(link, linkblock::EnvironmentVariable)) flags |= linkflag::HasExpString;
    if (hasBlock(link, linkblock::Darwin)) flags |= linkflag::HasDarwinId;
    if (hasBlock(link, linkblock::IconEnvironment)) flags |= linkflag::HasExpIcon;

    std::string out;
    put32(out, 0x4C);
    out.append(reinterpret_cast<const char*>(kLinkClsid.data()), kLinkClsid.size());
    put32(out, flags);
    put32(out, link.fileAttributes);
    put64(out, link.creationTime.ticks);
    put64(out, link.accessTime.ticks);
    put64(out, link.writeTime.ticks);
    put32(out, link.fileSize);
    put32(out, static_cast<std::uint32_t>(link.iconIndex));
    put32(out, link.showCommand);
    put16(out, link.hotKey);
    out.append(10, '\0');

    if (hasIds) {
        put16(out, static_cast<std::uint32_t>(link.idList.size()));
        out.append(reinterpret_cast<const char*>(link.idList.data()), link.idList.size());
    }
    if (link.linkInfo) out += linkInfoBytes(*link.linkInfo);
    for (const auto* t : texts)
        putString(out, *t, unicode);
    for (const auto& block : link.extraBlocks) {
        if (block.bytes.size() < 8) continue;  // not a block; writing it would damage the file
        std::string b(reinterpret_cast<const char*>(block.bytes.data()), block.bytes.size());
        set32(b, 0, static_cast<std::uint32_t>(b.size()));
        set32(b, 4, block.signature);
        out += b;
    }
    put32(out, 0);  // TerminalBlock
    return out;
}

}  // namespace quorvel::platform::shelllink
