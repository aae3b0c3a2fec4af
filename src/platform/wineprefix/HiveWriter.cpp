#include <vector>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/HiveText.h"
#include "platform/wineprefix/PrefaultMemory.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void appendHex32(std::string& out, std::uint32_t v) {
    char buf[8];
    int n = 0;
    do {
        buf[n++] = kHexDigits[v & 0xF];
        v >>= 4;
    } while (v != 0);
    while (n > 0)
        out.push_back(buf[--n]);
}

// One value line (or several, for long hex data) exactly as wineserver's dump_value writes it.
void appendValue(std::string& out, const HiveValue& v) {
    const std::size_t lineStart = out.size();
    if (!v.name.empty()) {
        out.push_back('"');
        hivetext::appendEscapedName(out, v.name, '"', '"');
        out.append("\"=");
    } else {
        out.append("@=");
    }
    const auto& d = v.value.data;
    const std::uint32_t type = v.value.type;
    if (type == regtype::Sz || type == regtype::ExpandSz || type == regtype::MultiSz) {
        if (d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 2] == 0 && d[d.size() - 1] == 0) {
            if (type != regtype::Sz) {
                out.append("str(");
                appendHex32(out, type);
                out.append("):");
            }
            out.push_back('"');
            hivetext::appendEscapedBytes(out, d.data(), d.size() / 2, '"', '"');
            out.append("\"\n");
            return;
        }
    } else if (type == regtype::Dword && d.size() == 4) {
        out.append("dword:");
        const std::uint32_t dw = d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t{d[3]} << 24);
        for (int shift = 28; shift >= 0; shift -= 4)
            out.push_back(kHexDigits[(dw >> shift) & 0xF]);
        out.push_back('\n');
        return;
    }
    if (type == regtype::Binary) {
        out.append("hex:");
    } else {
        out.append("hex(");
        appendHex32(out, type);
        out.append("):");
    }
    // wineserver counts the characters of the line (escaped name included) and breaks after
    // the comma that takes the count past 76.
    std::size_t count = out.size() - lineStart;
    for (std::size_t i = 0; i < d.size(); ++i) {
        out.push_back(kHexDigits[d[i] >> 4]);
        out.push_back(kHexDigits[d[i] & 0xF]);
        count += 2;
        if (i + 1 < d.size()) {
            out.push_back(',');
            if (++count > 76) {
                out.append("\\\n  ");
                count = 2;
            }
        }
    }
    out.push_back('\n');
}

void appendKey(std::string& out, const HiveKey& key, std::string_view path) {
    out.push_back('[');
    out.append(path);
    out.append("] ");
    hivetext::appendUnixSeconds(out, key.modified);
    out.append("\n#time=");
    hivetext::appendFileTimeHex(out, key.modified);
    out.push_back('\n');
    if (key.className) {
        out.append("#class=\"");
        hivetext::appendEscaped(out, *key.className, '"', '"');
        out.append("\"\n");
    }
    if (key.isLink) out.append("#link\n");
    for (const HiveValue& v : key.values())
        appendValue(out, v);
}

std::string madeUpHeader(const Hive& hive) {
    std::string header = "WINE REGISTRY Version 2\n;; All keys relative to ";
    hivetext::appendEscapedName(header, hive.relativeTo, '\0', '\0');
    header.append("\n\n#arch=win64\n");
    return header;
}

}  // namespace

WrittenHive writeHive(const Hive& hive, HiveWriteMode mode) {
    const bool keep = mode == HiveWriteMode::KeepText && hive.hasSource;
    WrittenHive written;
    std::string& out = written.text;
    out.reserve(hive.source.size() + (hive.source.size() >> 4) + 4096);
    prefaultMemory(out.data(), out.capacity());
    if (keep)
        out.append(hive.source, 0, hive.headerEnd);
    else
        out = madeUpHeader(hive);
    // A key's text in the source runs up to the next key line, so it carries the blank line
    // that separates keys - except the last key of the file, and text written anew.
    bool needSeparator = !keep || hive.headerEnd == hive.source.size();
    bool lastWasInnerOriginal = false;

    std::string path;
    struct Frame {
        HiveKey* key;
        std::size_t next;
        std::size_t pathLength;
    };
    std::vector<Frame> stack;

    auto emit = [&](HiveKey& key) {
        const bool original = keep && key.hasOriginalText();
        if (!original && !key.isWrittenOnItsOwn()) return;
        if (needSeparator) out.push_back('\n');
        const std::size_t begin = out.size();
        if (original) {
            out.append(hive.source, key.textBegin, key.textEnd - key.textBegin);
            needSeparator = key.textEnd == hive.source.size();
            lastWasInnerOriginal = !needSeparator;
        } else {
            appendKey(out, key, path);
            needSeparator = true;
            lastWasInnerOriginal = false;
        }
        written.keyStarts.emplace_back(&key, begin);
    };

    emit(*hive.root);
    stack.push_back({hive.root.get(), 0, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.key->subkeys.size()) {
            stack.pop_back();
            continue;
        }
        HiveKey& child = *top.key->subkeys[top.next++];
        path.resize(top.pathLength);
        if (stack.size() > 1) path.append("\\\\");
        hivetext::appendEscapedName(path, child.name, '[', ']');
        const std::size_t length = path.size();
        emit(child);
        stack.push_back({&child, 0, length});
    }
    // The last key of a file has no blank line after it.
    if (lastWasInnerOriginal && out.size() >= 2 && out[out.size() - 1] == '\n' &&
        out[out.size() - 2] == '\n')
        out.pop_back();

    return written;
}

void adoptWritten(Hive& hive, WrittenHive written) {
    std::vector<HiveKey*> all{hive.root.get()};
    for (std::size_t i = 0; i < all.size(); ++i) {
        HiveKey* k = all[i];
        k->textBegin = HiveKey::kNoText;
        k->textEnd = HiveKey::kNoText;
        k->changed = false;
        for (const auto& s : k->subkeys)
            all.push_back(s.get());
    }
    auto& starts = written.keyStarts;
    const std::size_t size = written.text.size();
    for (std::size_t i = 0; i < starts.size(); ++i) {
        starts[i].first->textBegin = starts[i].second;
        starts[i].first->textEnd = i + 1 < starts.size() ? starts[i + 1].second : size;
    }
    hive.headerEnd = starts.empty() ? size : starts[0].second;
    hive.source = std::move(written.text);
    hive.hasSource = true;
    hive.dirty = false;
}

}  // namespace quorvel::platform::wineprefix
