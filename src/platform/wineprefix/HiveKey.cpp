#include "platform/wineprefix/HiveKey.h"

#include <algorithm>
#include <mutex>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform::wineprefix {
namespace {

// UTF-8 lead bytes of U+E000..U+FFFF (0xEE, 0xEF) sort after those of supplementary characters
// (0xF0..0xF4), because in UTF-16 the latter are surrogates (0xD800..0xDFFF).
int rank(unsigned char c) {
    if (c == 0xEE || c == 0xEF) return c + 0x10;
    return text::asciiLower(static_cast<char>(c)) & 0xFF;
}

template <class Items, class NameOf>
std::optional<std::size_t> findByName(const Items& items, bool sorted, std::string_view name,
                                      NameOf nameOf) {
    if (sorted) {
        std::size_t lo = 0;
        std::size_t hi = items.size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            const int c = compareNames(nameOf(items[mid]), name);
            if (c == 0) return mid;
            if (c < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        if (text::iequals(nameOf(items[i]), name)) return i;
    return std::nullopt;
}

template <class Items, class NameOf>
std::size_t insertionPoint(const Items& items, bool sorted, std::string_view name, NameOf nameOf) {
    if (!sorted) return items.size();
    const auto it = std::upper_bound(
        items.begin(), items.end(), name,
        [&](std::string_view n, const auto& item) { return compareNames(n, nameOf(item)) < 0; });
    return static_cast<std::size_t>(it - items.begin());
}

std::string_view keyName(const std::shared_ptr<HiveKey>& k) {
    return k->name;
}
std::string_view valueName(const HiveValue& v) {
    return v.name;
}

}  // namespace

int compareNames(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb) continue;
        const int d = rank(ca) - rank(cb);
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::optional<std::size_t> HiveKey::findSubkey(std::string_view subkeyName) const {
    return findByName(subkeys, subkeysSorted, subkeyName, keyName);
}

std::optional<std::size_t> HiveKey::findValue(std::string_view valueName) const {
    const auto& all = values();  // first: reading them settles valuesSorted
    return findByName(all, valuesSorted, valueName, wineprefix::valueName);
}

const HiveValue* HiveKey::value(std::string_view name) const {
    const auto i = findValue(name);
    return i ? &values_[*i] : nullptr;
}

std::shared_ptr<HiveKey> HiveKey::addSubkey(std::string subkeyName) {
    const std::size_t at = insertionPoint(subkeys, subkeysSorted, subkeyName, keyName);
    auto key = std::make_shared<HiveKey>();
    key->name = std::move(subkeyName);
    key->parent = this;
    key->hive = hive;
    subkeys.insert(subkeys.begin() + static_cast<std::ptrdiff_t>(at), key);
    return key;
}

HiveValue& HiveKey::addValue(std::string name) {
    auto& all = mutableValues();
    const std::size_t at = insertionPoint(all, valuesSorted, name, wineprefix::valueName);
    HiveValue v;
    v.name = std::move(name);
    return *all.insert(all.begin() + static_cast<std::ptrdiff_t>(at), std::move(v));
}

void HiveKey::loadValues() const {
    // One lock for all keys: parsing a key's values is short and happens once per key.
    static std::mutex loading;
    const std::lock_guard lock(loading);
    const std::string* source = pending_.load(std::memory_order_acquire);
    if (!source) return;  // another reader was first
    bool sorted = true;
    if (textBegin != kNoText && textEnd <= source->size() && textBegin <= textEnd)
        parseKeyValues(std::string_view(*source).substr(textBegin, textEnd - textBegin), values_,
                       sorted);
    valuesSorted = sorted;
    pending_.store(nullptr, std::memory_order_release);
}

void HiveKey::markDeleted() {
    std::vector<HiveKey*> pending{this};
    while (!pending.empty()) {
        HiveKey* k = pending.back();
        pending.pop_back();
        k->deleted = true;
        for (const auto& s : k->subkeys)
            pending.push_back(s.get());
    }
}

std::optional<std::string> HiveKey::linkTarget() const {
    const HiveValue* v = value("SymbolicLinkValue");
    if (!v) return std::nullopt;
    std::u16string units;
    const auto& d = v->value.data;
    for (std::size_t i = 0; i + 1 < d.size(); i += 2)
        units.push_back(static_cast<char16_t>(d[i] | (d[i + 1] << 8)));
    if (const auto nul = units.find(u'\0'); nul != std::u16string::npos) units.resize(nul);
    return text::utf16ToUtf8(units);
}

}  // namespace quorvel::platform::wineprefix
