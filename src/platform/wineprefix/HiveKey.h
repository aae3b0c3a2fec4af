#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTime.h"
#include "platform/RegistryTypes.h"

namespace quorvel::platform::wineprefix {

// Orders names the way wineserver keeps subkeys and values: case-insensitively, code unit by
// code unit of their UTF-16 form, a shorter name before a longer one with the same start.
int compareNames(std::string_view a, std::string_view b);

struct HiveValue {
    std::string name;  // UTF-8; "" is the default value
    RegValue value;
};

// One key of the in-memory tree. Names are UTF-8 and keep their case. The tree is guarded by
// the lock of the registry that owns it.
struct HiveKey {
    static constexpr std::size_t kNoText = static_cast<std::size_t>(-1);
    static constexpr std::uint8_t kNoHive = 0xFF;
    // Deeper trees are refused: Windows stops at 512 levels, and a bound keeps every walk of
    // the tree (and its destruction) within the stack.
    static constexpr std::size_t kMaxDepth = 512;

    HiveKey() = default;
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;

    std::string name;
    HiveKey* parent = nullptr;
    std::vector<std::shared_ptr<HiveKey>> subkeys;
    FileTime modified;
    std::unique_ptr<std::u16string> className;  // rare; a pointer keeps keys small
    // The key's original text in its hive's source: from its "[...]" line up to the next key
    // line. kNoText when the key has no text of its own or must be written anew.
    std::size_t textBegin = kNoText;
    std::size_t textEnd = kNoText;
    std::uint8_t hive = kNoHive;  // index of the hive that stores the key
    bool isLink = false;
    bool deleted = false;
    bool changed = false;  // written anew on the next save
    bool subkeysSorted = true;
    mutable bool valuesSorted = true;  // settled when the values are read

    bool hasOriginalText() const { return textBegin != kNoText && !changed; }

    // The values in the hive's order. A loaded key reads them from its text on first use, so
    // a large hive does not pay for millions of small objects it may never look at. Safe
    // under a shared lock: the first reader parses, the others wait for it.
    const std::vector<HiveValue>& values() const {
        if (pending_.load(std::memory_order_acquire)) loadValues();
        return values_;
    }
    // For changes, with the lock held exclusively.
    std::vector<HiveValue>& mutableValues() {
        if (pending_.load(std::memory_order_acquire)) loadValues();
        return values_;
    }
    // Leaves the values to be read from source[textBegin, textEnd) when first asked for. The
    // string must stay in place while the key lives (it is the hive's own source, which a
    // save replaces with text holding the same values at the key's new range).
    void deferValues(const std::string* source) {
        pending_.store(source, std::memory_order_release);
    }

    // Index of the subkey / value with this name, if any.
    std::optional<std::size_t> findSubkey(std::string_view subkeyName) const;
    std::optional<std::size_t> findValue(std::string_view valueName) const;
    const HiveValue* value(std::string_view valueName) const;

    // Adds a subkey or value where wineserver would put it (in name order), or at the end when
    // the hive's own order is not sorted. The name must not exist yet.
    std::shared_ptr<HiveKey> addSubkey(std::string subkeyName);
    HiveValue& addValue(std::string valueName);

    // Marks this key and everything below it as deleted (open handles see KeyDeleted).
    void markDeleted();
    // Wineserver writes a key when it has values, no subkeys, a class or is a link; other keys
    // appear only as part of their subkeys' paths.
    bool isWrittenOnItsOwn() const {
        return !values().empty() || subkeys.empty() || className != nullptr || isLink;
    }
    // The target path of a link key (e.g. "\Registry\Machine\System\ControlSet001").
    std::optional<std::string> linkTarget() const;

private:
    void loadValues() const;

    mutable std::vector<HiveValue> values_;
    mutable std::atomic<const std::string*> pending_{nullptr};
};

// Reads the value lines of one key's text (its "[...]" line first), as the loader does,
// skipping lines it cannot read; the loader has reported those already.
// `sorted` tells whether they came in name order.
void parseKeyValues(std::string_view keyText, std::vector<HiveValue>& values, bool& sorted);

}  // namespace quorvel::platform::wineprefix
