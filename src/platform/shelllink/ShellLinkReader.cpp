#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform::shelllink {
namespace {

// Raised inside the reader when the data contradicts itself; parse() turns it into a Status.
struct Malformed {
    const char* what;
};

constexpr std::array<std::uint8_t, 16> kLinkClsid{0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHeaderSize = 0x4C;

std::uint16_t le16(std::string_view d, std::size_t at) {
    if (at > d.size() || d.size() - at < 2) throw Malformed{"a field lies past the end"};
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}

std::uint32_t le32(std::string_view d, std::size_t at) {
    return static_cast<std::uint32_t>(le16(d, at)) | static_cast<std::uint32_t>(le16(d, at + 2))
                                                         << 16;
}

std::uint64_t le64(std::string_view d, std::size_t at) {
    return static_cast<std::uint64_t>(le32(d, at)) | static_cast<std::uint64_t>(le32(d, at + 4))
                                                         << 32;
}

// A NUL-terminated Windows-1252 string at `at`, which must end inside `d`.
std::string ansiAt(std::string_view d, std::size_t at, const char* what) {
    if (at >= d.size()) throw Malformed{what};
    const auto end = d.find('\0', at);
    if (end == std::string_view::npos) throw Malformed{what};
    return text::cp1252ToUtf8(d.substr(at, end - at));
}

// A NUL-terminated UTF-16LE string at `at`, which must end inside `d`.
std::string wideAt(std::string_view d, std::size_t at, const char* what) {
    std::u16string units;
    for (std::size_t i = at;; i += 2) {
        if (i >= d.size() || d.size() - i < 2) throw Malformed{what};
        const auto u = le16(d, i);
        if (u == 0) break;
        units.push_back(static_cast<char16_t>(u));
    }
    return text::utf16ToUtf8(units);
}

// Reads the parts of the file front to back.
class Cursor {
public:
    explicit Cursor(std::string_view data) : data_(data) {}

    std::size_t remaining() const { return data_.size() - pos_; }
    std::uint16_t u16() {
        const auto v = le16(data_, pos_);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        const auto v = le32(data_, pos_);
        pos_ += 4;
        return v;
    }
    std::uint64_t u64() {
        const auto v = le64(data_, pos_);
        pos_ += 8;
        return v;
    }
    std::string_view take(std::size_t n, const char* what) {
        if (n > remaining()) throw Malformed{what};
        const auto view = data_.substr(pos_, n);
        pos_ += n;
        return view;
    }
    std::uint32_t peek32() const { return le32(data_, pos_); }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

void readHeader(Cursor& c, ShellLink& link) {
    if (c.remaining() < kHeaderSize) throw Malformed{"the header is incomplete"};
    if (c.u32() != kHeaderSize) throw Malformed{"the header size is not 76"};
    const auto clsid = c.take(16, "the header is incomplete");
    if (std::memcmp(clsid.data(), kLinkClsid.data(), kLinkClsid.size()) != 0) {
        throw Malformed{"the class id is not the shell link's"};
    }
    link.linkFlags = c.u32();
    link.fileAttributes = c.u32();
    link.creationTime = FileTime{c.u64()};
    link.accessTime = FileTime{c.u64()};
    link.writeTime = FileTime{c.u64()};
    link.fileSize = c.u32();
    link.iconIndex = static_cast<std::int32_t>(c.u32());
    link.showCommand = c.u32();
    link.hotKey = c.u16();
    c.take(10, "the header is incomplete");  // reserved
}

LinkVolume readVolume(std::string_view info, std::uint32_t offset) {
    if (offset >= info.size()) throw Malformed{"the volume id lies outside the location info"};
    const auto rest = info.substr(offset);
    const auto size = le32(rest, 0);
    if (size < 0x10 || size > rest.size()) throw Malformed{"the volume id has a bad size"};
    const auto vol = rest.substr(0, size);
    LinkVolume v;
    v.driveType = le32(vol, 4);
    v.serialNumber = le32(vol, 8);
    const auto labelOffset = le32(vol, 12);
    if (labelOffset == 0x14) {
        v.label = wideAt(vol, le32(vol, 16), "the volume label is not terminated");
    } else {
        v.label = ansiAt(vol, labelOffset, "the volume label is not terminated");
    }
    return v;
}

LinkNetwork readNetwork(std::string_view info, std::uint32_t offset) {
    if (offset >= info.size()) throw Malformed{"the network link lies outside the location info"};
    const auto rest = info.substr(offset);
    const auto size = le32(rest, 0);
    if (size < 0x14 || size > rest.size()) throw Malformed{"the network link has a bad size"};
    const auto net = rest.substr(0, size);
    const auto flags = le32(net, 4);
    const auto netNameOffset = le32(net, 8);
    const auto deviceNameOffset = le32(net, 12);
    const auto providerType = le32(net, 16);
    const bool unicode = netNameOffset > 0x14;
    LinkNetwork n;
    const char* bad = "a network name is not terminated";
    n.netName = unicode ? wideAt(net, le32(net, 0x14), bad) : ansiAt(net, netNameOffset, bad);
    if (flags & 0x1) {  // ValidDevice
        n.deviceName =
            unicode ? wideAt(net, le32(net, 0x18), bad) : ansiAt(net, deviceNameOffset, bad);
    }
    if (flags & 0x2) n.providerType = providerType;  // ValidNetType
    return n;
}

LinkInfo readLinkInfo(Cursor& c) {
    const auto size = c.peek32();
    if (size < 0x1C) throw Malformed{"the location info is too small"};
    const auto info = c.take(size, "the location info runs past the end");
    const auto headerSize = le32(info, 4);
    if (headerSize != 0x1C && (headerSize < 0x24 || headerSize > size)) {
        throw Malformed{"the location info header has a bad size"};
    }
    const auto flags = le32(info, 8);
    const auto volumeOffset = le32(info, 12);
    const auto localOffset = le32(info, 16);
    const auto networkOffset = le32(info, 20);
    const auto suffixOffset = le32(info, 24);
    const bool unicode = headerSize >= 0x24;
    const char* bad = "a location path is not terminated";

    LinkInfo li;
    if (flags & 0x1) {  // VolumeIDAndLocalBasePath
        li.volume = readVolume(info, volumeOffset);
        const auto wideOffset = unicode ? le32(info, 28) : 0;
        li.localBasePath =
            wideOffset != 0 ? wideAt(info, wideOffset, bad) : ansiAt(info, localOffset, bad);
    }
    if (flags & 0x2) li.network = readNetwork(info, networkOffset);  // CommonNetworkRelativeLink
    const auto wideSuffix = unicode ? le32(info, 32) : 0;
    if (wideSuffix != 0) {
        li.commonPathSuffix = wideAt(info, wideSuffix, bad);
    } else if (suffixOffset != 0) {
        li.commonPathSuffix = ansiAt(info, suffixOffset, bad);
    }
    return li;
}

// A counted StringData text. Some writers (Wine among them) count a terminating NUL as well;
// the text ends at the first NUL, as the shell's Get* calls report it.
std::optional<std::string> readString(Cursor& c, bool present, bool unicode) {
    if (!present) return std::nullopt;
    const std::size_t count = c.u16();
    if (!unicode) {
        const auto bytes = c.take(count, "a text runs past the end");
        return text::cp1252ToUtf8(bytes.substr(0, bytes.find('\0')));
    }
    const auto raw = c.take(count * 2, "a text runs past the end");
    std::u16string units;
    for (std::size_t i = 0; i < count; ++i) {
        const auto u = static_cast<char16_t>(le16(raw, i * 2));
        if (u == 0) break;
        units.push_back(u);
    }
    return text::utf16ToUtf8(units);
}

void readExtraData(Cursor& c, ShellLink& link) {
    for (;;) {
        if (c.remaining() < 4) throw Malformed{"the extra data has no terminal block"};
        const auto size = c.peek32();
        if (size < 4) return;  // TerminalBlock
        if (size < 8) throw Malformed{"an extra data block is too small"};
        const auto block = c.take(size, "an extra data block runs past the end");
        LinkExtraBlock b;
        b.signature = le32(block, 4);
        b.bytes.assign(block.begin(), block.end());
        link.extraBlocks.push_back(std::move(b));
    }
}

}  // namespace

Result<ShellLink> parse(std::string_view bytes) {
    try {
        Cursor c(bytes);
        ShellLink link;
        readHeader(c, link);
        const auto flags = link.linkFlags;
        if (flags & linkflag::HasLinkTargetIdList) {
            const auto size = c.u16();
            const auto ids = c.take(size, "the item id list runs past the end");
            link.idList.assign(ids.begin(), ids.end());
        }
        if (flags & linkflag::HasLinkInfo) link.linkInfo = readLinkInfo(c);
        const bool unicode = (flags & linkflag::IsUnicode) != 0;
        link.description = readString(c, flags & linkflag::HasName, unicode);
        link.relativePath = readString(c, flags & linkflag::HasRelativePath, unicode);
        link.workingDirectory = readString(c, flags & linkflag::HasWorkingDir, unicode);
        link.arguments = readString(c, flags & linkflag::HasArguments, unicode);
        link.iconLocation = readString(c, flags & linkflag::HasIconLocation, unicode);
        readExtraData(c, link);
        return link;
    } catch (const Malformed& m) {
        return Status(ErrorCode::BadFormat, std::string("Damaged shortcut: ") + m.what + ".");
    }
}

}  // namespace quorvel::platform::shelllink
