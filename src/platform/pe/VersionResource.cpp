#include <cstdint>
#include <string>
#include <string_view>

#include "platform/pe/PeVersionReader.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform::pe {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52;
constexpr std::size_t kNodeHeader = 6;

std::uint16_t le16(std::string_view d, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}
std::uint32_t le32(std::string_view d, std::size_t at) {
    return static_cast<std::uint32_t>(le16(d, at)) | static_cast<std::uint32_t>(le16(d, at + 2))
                                                         << 16;
}
constexpr std::size_t align4(std::size_t v) {
    return (v + 3) & ~static_cast<std::size_t>(3);
}

// UTF-16LE from `at` to the first NUL or `end`, whichever comes first.
std::string wideText(std::string_view d, std::size_t at, std::size_t end) {
    std::u16string units;
    for (std::size_t i = at; i + 1 < end && i + 1 < d.size(); i += 2) {
        const auto u = le16(d, i);
        if (u == 0) break;
        units.push_back(static_cast<char16_t>(u));
    }
    return text::utf16ToUtf8(units);
}

// One VS_VERSIONINFO-style node: wLength, wValueLength, wType, szKey, Value, Children. Offsets
// are absolute within the resource, which starts 4-aligned, so alignment is taken on them.
struct Node {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;  // 1 = text, 0 = binary
    std::string key;
    std::size_t valueBegin = 0;
    std::size_t childrenBegin = 0;
};

std::optional<Node> readNode(std::string_view res, std::size_t at, std::size_t limit) {
    if (at >= limit || limit - at < kNodeHeader) return std::nullopt;
    Node n;
    n.begin = at;
    const std::size_t length = le16(res, at);
    if (length < kNodeHeader || length > limit - at) return std::nullopt;
    n.end = at + length;
    n.valueLength = le16(res, at + 2);
    n.type = le16(res, at + 4);
    std::size_t keyEnd = at + kNodeHeader;
    std::u16string key;
    for (;; keyEnd += 2) {
        if (keyEnd + 2 > n.end) return std::nullopt;  // key without its NUL
        const auto u = le16(res, keyEnd);
        if (u == 0) break;
        key.push_back(static_cast<char16_t>(u));
    }
    n.key = text::utf16ToUtf8(key);
    n.valueBegin = std::min(align4(keyEnd + 2), n.end);
    const std::size_t valueBytes = n.type == 1 ? std::size_t{n.valueLength} * 2 : n.valueLength;
    n.childrenBegin = std::min(align4(n.valueBegin + valueBytes), n.end);
    return n;
}

// Calls fn(child) for each child of `parent`; stops at the first child that is not well formed.
template <class Fn>
void forEachChild(std::string_view res, const Node& parent, Fn fn) {
    for (std::size_t at = parent.childrenBegin; at < parent.end;) {
        const auto child = readNode(res, at, parent.end);
        if (!child) return;
        fn(*child);
        at = align4(child->end);  // every node is at least 6 bytes: the walk always advances
    }
}

std::optional<FixedFileInfo> readFixed(std::string_view res, const Node& root) {
    if (root.valueLength < kFixedSize || root.end - root.valueBegin < kFixedSize) {
        return std::nullopt;
    }
    const auto v = root.valueBegin;
    if (le32(res, v) != kFixedSignature) return std::nullopt;
    FixedFileInfo f;
    f.fileVersionMs = le32(res, v + 8);
    f.fileVersionLs = le32(res, v + 12);
    f.productVersionMs = le32(res, v + 16);
    f.productVersionLs = le32(res, v + 20);
    f.fileFlagsMask = le32(res, v + 24);
    f.fileFlags = le32(res, v + 28);
    f.fileOs = le32(res, v + 32);
    f.fileType = le32(res, v + 36);
    f.fileSubtype = le32(res, v + 40);
    f.fileDateMs = le32(res, v + 44);
    f.fileDateLs = le32(res, v + 48);
    return f;
}

void readStringFileInfo(std::string_view res, const Node& info, VersionInfo& out) {
    forEachChild(res, info, [&](const Node& table) {
        VersionStringTable t;
        t.key = table.key;
        forEachChild(res, table, [&](const Node& item) {
            // The value's length is in characters, but some tools store bytes: read up to the
            // NUL, never past the node.
            std::string value;
            if (item.valueLength != 0) value = wideText(res, item.valueBegin, item.end);
            t.strings.emplace_back(item.key, std::move(value));
        });
        out.stringTables.push_back(std::move(t));
    });
}

void readVarFileInfo(std::string_view res, const Node& info, VersionInfo& out) {
    forEachChild(res, info, [&](const Node& var) {
        if (!text::iequals(var.key, "Translation")) return;
        const std::size_t end = std::min(var.end, var.valueBegin + var.valueLength);
        for (std::size_t at = var.valueBegin; at + 4 <= end; at += 4) {
            out.translations.push_back(VersionTranslation{le16(res, at), le16(res, at + 2)});
        }
    });
}

}  // namespace

std::optional<VersionInfo> parseVersionResource(std::string_view resource) {
    const auto root = readNode(resource, 0, resource.size());
    if (!root || root->key != "VS_VERSION_INFO") return std::nullopt;
    VersionInfo info;
    info.fixed = readFixed(resource, *root);
    forEachChild(resource, *root, [&](const Node& child) {
        if (text::iequals(child.key, "StringFileInfo")) readStringFileInfo(resource, child, info);
        if (text::iequals(child.key, "VarFileInfo")) readVarFileInfo(resource, child, info);
    });
    return info;
}

}  // namespace quorvel::platform::pe
