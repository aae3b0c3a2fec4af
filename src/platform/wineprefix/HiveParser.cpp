#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"
#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/HiveKeyArena.h"
#include "platform/wineprefix/HiveText.h"

namespace quorvel::platform::wineprefix {
namespace {

using hivetext::hexValue;
using hivetext::isHexDigit;
using hivetext::isSpace;

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
constexpr std::size_t kMaxProblemText = 200;

std::string_view skipSpace(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return s.substr(i);
}

// With the prefix a literal the comparison is inlined (it runs several times per line).
template <std::size_t N>
bool startsWith(std::string_view s, const char (&prefix)[N]) {
    return s.size() >= N - 1 && std::memcmp(s.data(), prefix, N - 1) == 0;
}

// Splits the text into lines as Wine reads them: without "\n" and a "\r" before it.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next() {
        if (pos_ >= text_.size()) return false;
        start_ = pos_;
        const void* nl = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data())
                             : text_.size();
        pos_ = nl ? end + 1 : end;
        if (end > start_ && text_[end - 1] == '\r') --end;
        line_ = text_.substr(start_, end - start_);
        ++number_;
        return true;
    }
    std::string_view line() const { return line_; }
    std::size_t start() const { return start_; }
    std::size_t number() const { return number_; }
    // The text after the current line.
    std::string_view following() const { return text_.substr(pos_); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t start_ = 0;
    std::size_t number_ = 0;
    std::string_view line_;
};

// Decodes an escaped name into UTF-8; plain ASCII is copied as it is.
std::optional<std::size_t> decodeName(std::string_view in, char endChar, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == endChar) {
            out.assign(in.data(), i);
            return i + 1;
        }
        if (c == '\\' || static_cast<unsigned char>(c) >= 0x80) break;
    }
    return hivetext::decodeNameKeepingBytes(in, endChar, out);
}

// How many characters the escaped text up to and including the unescaped `endChar` takes, as
// hivetext::decode reads it (a backslash always takes the character after it along), without
// decoding it; nullopt when the text ends first.
std::optional<std::size_t> escapedLength(std::string_view in, char endChar) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == endChar) return i + 1;
        if (c == '\\' && ++i == in.size()) return std::nullopt;
    }
    return std::nullopt;
}

// String data up to the closing quote; only checked when `value` is null.
bool parseString(std::string_view text, RegValue* value) {
    if (!value) {
        // A quote can only be escaped by the backslash right before it, so a line that ends in
        // a quote after an even run of backslashes has its closing quote; otherwise look.
        if (!text.empty() && text.back() == '"') {
            std::size_t backslashes = 0;
            while (backslashes + 1 < text.size() && text[text.size() - 2 - backslashes] == '\\')
                ++backslashes;
            if (backslashes % 2 == 0) return true;
        }
        return escapedLength(text, '"').has_value();
    }
    auto& d = value->data;
    // Fast path: printable ASCII up to the closing quote widens byte by byte.
    std::size_t plain = 0;
    while (plain < text.size()) {
        const auto c = static_cast<unsigned char>(text[plain]);
        if (c == '"' || c == '\\' || c >= 0x80) break;
        ++plain;
    }
    if (plain < text.size() && text[plain] == '"') {
        d.resize(plain * 2 + 2);
        for (std::size_t i = 0; i < plain; ++i) {
            d[2 * i] = static_cast<std::uint8_t>(text[i]);
            d[2 * i + 1] = 0;
        }
        d[2 * plain] = 0;
        d[2 * plain + 1] = 0;
        return true;
    }
    d.clear();
    d.reserve(text.size() * 2);
    const auto used = hivetext::decode(text, '"', [&](char16_t u) {
        d.push_back(static_cast<std::uint8_t>(u & 0xFF));
        d.push_back(static_cast<std::uint8_t>(u >> 8));
    });
    if (!used) return false;
    d.push_back(0);
    d.push_back(0);
    return true;
}

bool parseDword(std::string_view text, RegValue* value) {
    std::uint32_t v = 0;
    std::size_t i = 0;
    for (; i < text.size() && i < 8 && isHexDigit(text[i]); ++i)
        v = (v << 4) | static_cast<std::uint32_t>(hexValue(text[i]));
    if (i == 0) return false;
    if (!skipSpace(text.substr(i)).empty()) return false;
    if (value) {
        value->data.resize(4);
        for (int b = 0; b < 4; ++b)
            value->data[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    return true;
}

// Comma-separated hex bytes, continued on the next line after a trailing backslash.
bool parseHex(std::string_view text, RegValue* value, LineReader& lines) {
    if (value) {
        value->data.clear();
        value->data.reserve(text.size() / 3 + 1);
    }
    for (;;) {
        std::size_t i = 0;
        while (i < text.size() && isHexDigit(text[i])) {
            int byte = hexValue(text[i++]);
            if (i < text.size() && isHexDigit(text[i])) byte = byte * 16 + hexValue(text[i++]);
            if (i < text.size() && isHexDigit(text[i])) return false;  // more than a byte
            if (value) value->data.push_back(static_cast<std::uint8_t>(byte));
            while (i < text.size() && isSpace(text[i]))
                ++i;
            if (i < text.size() && text[i] == ',') ++i;
            while (i < text.size() && isSpace(text[i]))
                ++i;
        }
        if (i == text.size()) return true;
        if (text[i] != '\\') return false;
        if (!lines.next()) return false;
        text = skipSpace(lines.line());
    }
}

// Reads a '@' or '"' value line (and the lines a long hex value continues on) into `name` and
// `value`; returns what is wrong with it, or nullptr. With both null the line is only checked.
const char* readValueLine(std::string_view line, LineReader& lines, std::string* name,
                          RegValue* value) {
    std::size_t pos = 0;
    if (line[0] == '@') {
        if (name) name->clear();
        pos = 1;
    } else {
        const auto used =
            name ? decodeName(line.substr(1), '"', *name) : escapedLength(line.substr(1), '"');
        if (!used) return "Malformed value name";
        pos = 1 + *used;
    }
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=') return "Malformed value name";
    ++pos;
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
    const std::string_view data = line.substr(pos);

    bool ok = false;
    std::uint32_t type = regtype::None;
    const char first = data.empty() ? '\0' : data[0];
    if (first == '"') {
        type = regtype::Sz;
        ok = parseString(data.substr(1), value);
    } else if (first != 's' && first != 'd' && first != 'h') {
        ok = false;
    } else if (startsWith(data, "str:\"")) {
        type = regtype::Sz;
        ok = parseString(data.substr(5), value);
    } else if (startsWith(data, "str(2):\"")) {
        type = regtype::ExpandSz;
        ok = parseString(data.substr(8), value);
    } else if (startsWith(data, "str(7):\"")) {
        type = regtype::MultiSz;
        ok = parseString(data.substr(8), value);
    } else if (startsWith(data, "dword:")) {
        type = regtype::Dword;
        ok = parseDword(data.substr(6), value);
    } else if (startsWith(data, "hex:")) {
        type = regtype::Binary;
        ok = parseHex(data.substr(4), value, lines);
    } else if (startsWith(data, "hex(")) {
        const auto r = std::from_chars(data.data() + 4, data.data() + data.size(), type, 16);
        const std::string_view after(r.ptr,
                                     static_cast<std::size_t>(data.data() + data.size() - r.ptr));
        if (r.ec == std::errc{} && r.ptr != data.data() + 4 && startsWith(after, "):")) {
            ok = parseHex(after.substr(2), value, lines);
        }
    }
    if (!ok) return "Malformed value";
    if (value) value->type = type;
    return nullptr;
}

// Where each value read from the file goes: a later line with the same name replaces the
// earlier one. Names in the file's order are checked against the last one only; once that
// order is broken, every name is looked up in a hash index, so that a long unsorted key does
// not cost quadratic time.
class ValueSlots {
public:
    ValueSlots(std::vector<HiveValue>& values, bool& sorted) : values_(values), sorted_(sorted) {}

    HiveValue& slot(std::string&& name) {
        if (sorted_ && !values_.empty()) {
            const int c = compareNames(values_.back().name, name);
            if (c == 0) return values_.back();
            if (c > 0) {
                const auto it = std::lower_bound(values_.begin(), values_.end(), name,
                                                 [](const HiveValue& v, std::string_view n) {
                                                     return compareNames(v.name, n) < 0;
                                                 });
                if (compareNames(it->name, name) == 0) return *it;
                sorted_ = false;
            }
        }
        if (!sorted_) {
            if (!indexed_) {
                for (std::size_t i = 0; i < values_.size(); ++i)
                    byName_.try_emplace(values_[i].name, i);
                indexed_ = true;
            }
            const auto [it, added] = byName_.try_emplace(name, values_.size());
            if (!added) return values_[it->second];
        }
        if (values_.empty()) values_.reserve(4);
        values_.emplace_back();
        values_.back().name = std::move(name);
        return values_.back();
    }

private:
    std::vector<HiveValue>& values_;
    bool& sorted_;
    bool indexed_ = false;
    std::unordered_map<std::string, std::size_t, text::IHash, text::IEqual> byName_;
};

// The decimal number at the start of the text, if it fits 32 bits.
std::optional<std::uint32_t> leadingSeconds(std::string_view text) {
    std::uint64_t v = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    if (i == 0) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

// How many bytes two texts share at their start.
std::size_t commonPrefixLength(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            std::uint64_t x = 0;
            std::uint64_t y = 0;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y) return i + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
        }
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

class Parser {
public:
    Parser(Hive& hive, FileTime loadTime)
        : hive_(hive),
          loadTime_(loadTime),
          arena_(std::make_shared<HiveKeyArena>()),
          keyAllocator_(arena_) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
    ~Parser() { arena_->finishLoading(); }

    void run() {
        const std::string_view text = hive_.source;
        LineReader lines(text);
        hive_.headerEnd = text.size();
        if (!lines.next() || lines.line() != kSignature) {
            problem(lines.number() == 0 ? 1 : lines.number(), "Not a Wine registry file",
                    lines.line());
        }
        bool sawKey = false;
        while (lines.next()) {
            std::string_view line = lines.line();
            if (!line.empty() && isSpace(line[0])) line = skipSpace(line);
            if (line.empty()) continue;
            switch (line[0]) {
                case '[':
                    if (!sawKey) hive_.headerEnd = lines.start();
                    sawKey = true;
                    closeKey(lines.start());
                    openKey(line.substr(1), lines);
                    break;
                case '@':
                case '"':
                    if (!current_)
                        problem(lines.number(), "Value without key", lines.line());
                    else
                        parseValue(line, lines);
                    break;
                case '#':
                    if (current_) keyOption(line, lines);
                    break;
                case ';':
                    break;
                default:
                    problem(lines.number(), "Unrecognized input", lines.line());
                    break;
            }
        }
        closeKey(text.size());
    }

private:
    void problem(std::size_t line, std::string_view what, std::string_view text) {
        ++hive_.problemCount;
        if (hive_.problem) return;
        std::string shown(text.substr(0, kMaxProblemText));
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 32 && c != '\t') c = '?';
        hive_.problem = HiveProblem{hive_.file, line, std::string(what) + ": " + shown};
    }

    void closeKey(std::size_t end) {
        if (current_ && currentStart_ != HiveKey::kNoText) {
            if (current_->textBegin != HiveKey::kNoText) {
                // The key appears twice in the file; its text must be written anew.
                current_->changed = true;
            } else {
                current_->textBegin = currentStart_;
                current_->textEnd = end;
                if (currentHasValues_) current_->deferValues(&hive_.source);
            }
        }
        current_ = nullptr;
        eager_ = false;
        eagerSlots_.reset();
        currentHasValues_ = false;
        currentStart_ = HiveKey::kNoText;
    }

    // "[path] seconds" with the leading '[' removed.
    void openKey(std::string_view rest, const LineReader& lines) {
        std::size_t used = 0;
        std::size_t reused = 0;
        if (!splitPath(rest, used, reused)) {
            prevEnds_.clear();
            problem(lines.number(), "Malformed key", lines.line());
            return;
        }
        const std::vector<std::string_view>& parts = parts_;
        const std::size_t count = parts.size();
        if (count > HiveKey::kMaxDepth) {
            prevEnds_.clear();  // path_ is not this line's
            problem(lines.number(), "Key path too deep", lines.line());
            return;
        }
        // The seconds after the path are the key's time unless a "#time=" line follows, as
        // wineserver always writes one; keys made on the way to it get them as well.
        const bool timeFollows = startsWith(lines.following(), "#time=");
        std::optional<FileTime> time;
        const auto keyTime = [&] {
            if (!time) {
                const auto seconds = leadingSeconds(skipSpace(rest.substr(used)));
                time =
                    seconds ? FileTime::fromUnix(static_cast<std::int64_t>(*seconds)) : loadTime_;
            }
            return *time;
        };

        // Keys come mostly in tree order: the path shares its start with the previous one.
        HiveKey* key = reused > 0 ? path_[reused - 1] : hive_.root.get();
        std::size_t depth = reused;
        for (; depth < count && depth < path_.size(); ++depth) {
            const std::string_view known = path_[depth]->name;
            if (known != parts[depth] && !text::iequals(known, parts[depth])) break;
            key = path_[depth];
        }
        path_.resize(depth);
        for (; depth < count; ++depth) {
            key = &child(*key, parts[depth],
                         depth + 1 < count || !timeFollows ? keyTime() : loadTime_);
            path_.push_back(key);
        }
        if (!timeFollows) key->modified = keyTime();
        current_ = key;
        currentStart_ = lines.start();
        // A key met a second time gets its values from both places, so they are kept now
        // (reading them settles the first place's values as well).
        eager_ = key->textBegin != HiveKey::kNoText;
        if (eager_)
            eagerSlots_ = std::make_unique<ValueSlots>(key->mutableValues(), key->valuesSorted);
    }

    // Splits the escaped key path into the names in parts_ (empty names are left out).
    // `reused`: how many leading names are those of the previous key line, whose keys path_
    // holds.
    bool splitPath(std::string_view rest, std::size_t& used, std::size_t& reused) {
        reused = 0;
        std::size_t start = 0;
        if (!prevEnds_.empty()) {
            // Up to where the two lines first differ, the escaped text reads the same, so the
            // names that end (with their separator) before that point are the same names.
            const std::size_t common = commonPrefixLength(rest, prevPath_);
            if (common >= prevPath_.size()) {
                used = prevPath_.size();
                reused = parts_.size();
                return true;
            }
            while (reused < prevEnds_.size() && prevEnds_[reused] <= common)
                ++reused;
            if (reused > 0) start = prevEnds_[reused - 1];
        }
        parts_.resize(reused);
        prevEnds_.resize(reused);
        auto add = [&](std::string_view name, std::size_t end) {
            if (name.empty()) return;
            parts_.push_back(name);
            prevEnds_.push_back(end);
        };
        // Fast path: ASCII names separated by "\\" with no other escapes, seen in place.
        for (std::size_t i = start; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == ']') {
                add(rest.substr(start, i - start), i + 1);
                used = i + 1;
                prevPath_ = rest.substr(0, used);
                return true;
            }
            if (static_cast<unsigned char>(c) >= 0x80) break;
            if (c == '\\') {
                if (i + 1 < rest.size() && rest[i + 1] == '\\') {
                    add(rest.substr(start, i - start), i + 2);
                    ++i;
                    start = i + 1;
                    continue;
                }
                break;
            }
        }
        // Escapes: the names are decoded into decoded_, and the next line starts afresh.
        reused = 0;
        prevEnds_.clear();
        parts_.clear();
        std::string whole;
        const auto n = hivetext::decodeNameKeepingBytes(rest, ']', whole);
        if (!n) return false;
        used = *n;
        decoded_.clear();
        // A backslash is always the separator: no byte of a UTF-8 sequence is one.
        std::size_t from = 0;
        for (std::size_t i = 0; i <= whole.size(); ++i) {
            if (i == whole.size() || whole[i] == '\\') {
                if (i > from) decoded_.push_back(whole.substr(from, i - from));
                from = i + 1;
            }
        }
        for (const std::string& name : decoded_)
            if (!name.empty()) parts_.push_back(name);
        return true;
    }

    // The subkey `name` of `parent`, made when it is not there yet. Subkeys in the file's
    // order are checked against the last one only; once a parent's order is broken, its
    // subkeys are looked up in a hash index (see ValueSlots).
    HiveKey& child(HiveKey& parent, std::string_view name, FileTime time) {
        if (parent.subkeysSorted && !parent.subkeys.empty()) {
            HiveKey& last = *parent.subkeys.back();
            const int c = compareNames(last.name, name);
            if (c == 0) return last;
            if (c > 0) {
                if (const auto i = parent.findSubkey(name)) return *parent.subkeys[*i];
                parent.subkeysSorted = false;  // keep the file's order
            }
        }
        NameIndex* index = nullptr;
        if (!parent.subkeysSorted) {
            auto [it, added] = unsortedParents_.try_emplace(&parent);
            index = &it->second;
            if (added)
                for (const auto& k : parent.subkeys)
                    index->try_emplace(k->name, k.get());
            if (const auto found = index->find(name); found != index->end()) return *found->second;
        }
        auto key = std::allocate_shared<HiveKey>(keyAllocator_);
        key->name = name;
        key->parent = &parent;
        key->hive = parent.hive;
        key->modified = time;
        parent.subkeys.push_back(std::move(key));
        HiveKey& added = *parent.subkeys.back();
        if (index) index->try_emplace(added.name, &added);
        return added;
    }

    void keyOption(std::string_view line, const LineReader& lines) {
        if (startsWith(line, "#time=")) {
            current_->modified = hivetext::parseFileTimeHex(line.substr(6));
        } else if (startsWith(line, "#class=")) {
            std::string_view rest = line.substr(7);
            std::u16string cls;
            if (rest.empty() || rest[0] != '"' ||
                !hivetext::decode(rest.substr(1), '"', [&](char16_t u) { cls.push_back(u); })) {
                problem(lines.number(), "Malformed class", lines.line());
                return;
            }
            current_->className = std::make_unique<std::u16string>(std::move(cls));
        } else if (startsWith(line, "#link")) {
            current_->isLink = true;
        }
    }

    void parseValue(std::string_view line, LineReader& lines) {
        if (const char* error =
                readValueLine(line, lines, eager_ ? &name_ : nullptr, eager_ ? &value_ : nullptr)) {
            problem(lines.number(), error, lines.line());
            return;
        }
        if (eager_) {
            eagerSlots_->slot(std::move(name_)).value = std::move(value_);
        } else {
            currentHasValues_ = true;  // read again from the key's text when asked for
        }
    }

    Hive& hive_;
    FileTime loadTime_;
    // Names of the subkeys of parents whose order the file broke, viewed in the keys.
    using NameIndex = std::unordered_map<std::string_view, HiveKey*, text::IHash, text::IEqual>;
    std::unordered_map<const HiveKey*, NameIndex> unsortedParents_;
    std::shared_ptr<HiveKeyArena> arena_;
    ArenaAllocator<HiveKey> keyAllocator_;
    HiveKey* current_ = nullptr;
    std::size_t currentStart_ = HiveKey::kNoText;
    std::vector<HiveKey*> path_;
    std::vector<std::string_view> parts_;  // names of the key line being read
    // The previous key line's path up to its ']', and where each of its names ends (after the
    // separator that follows it); empty when that line had escapes or was not read.
    std::string_view prevPath_;
    std::vector<std::size_t> prevEnds_;
    std::vector<std::string> decoded_;  // their text when it had to be unescaped
    // Scratch space for checking value lines; keeps its capacity from line to line.
    std::string name_;
    RegValue value_;
    bool eager_ = false;  // values of the current key are stored as they are read
    std::unique_ptr<ValueSlots> eagerSlots_;  // for a key met again
    bool currentHasValues_ = false;
};

}  // namespace

std::optional<std::string> hiveRelativeTo(std::string_view text) {
    constexpr std::string_view kMarker = ";; All keys relative to ";
    LineReader lines(text.substr(0, 4096));
    for (int n = 0; n < 4 && lines.next(); ++n) {
        const std::string_view line = lines.line();
        if (!line.starts_with(kMarker)) continue;
        std::string path;
        const std::string escaped(line.substr(kMarker.size()));
        if (!decodeName(escaped + "\n", '\n', path)) return std::nullopt;
        return path;
    }
    return std::nullopt;
}

void parseKeyValues(std::string_view keyText, std::vector<HiveValue>& values, bool& sorted) {
    LineReader lines(keyText);
    lines.next();  // the key's own "[...]" line
    std::string name;
    RegValue value;
    ValueSlots slots(values, sorted);
    while (lines.next()) {
        const std::string_view line = skipSpace(lines.line());
        if (line.empty() || (line[0] != '@' && line[0] != '"')) continue;
        if (readValueLine(line, lines, &name, &value)) continue;
        slots.slot(std::move(name)).value = std::move(value);
        value = RegValue{};
    }
}

void parseHive(Hive& hive, std::string text, FileTime loadTime) {
    hive.source = std::move(text);
    hive.hasSource = true;
    hive.problem.reset();
    hive.problemCount = 0;
    Parser(hive, loadTime).run();
}

}  // namespace quorvel::platform::wineprefix
