#include "platform/wineprefix/WineRegistryKey.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>

#include "platform/text/Unicode.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;

// The start of an overlong name, for a message a person can read.
std::string shortened(std::string_view name) {
    constexpr std::size_t kShown = 40;
    if (name.size() <= kShown) return std::string(name);
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(name.substr(0, cut)) + "...";
}

bool live(const std::shared_ptr<HiveKey>& k) {
    return k && !k->deleted;
}

Status keyDeleted() {
    return {ErrorCode::KeyDeleted, "The key was deleted while it was open."};
}

Status notFound(std::string_view name) {
    return {ErrorCode::FileNotFound,
            "The registry key \"" + std::string(name) + "\" does not exist."};
}

Status readOnly() {
    return {ErrorCode::AccessDenied, "The registry key was opened for reading only."};
}

Status notStorable() {
    return {ErrorCode::AccessDenied,
            "This part of the registry is not stored in a hive file and cannot be changed."};
}

// Follows `parts` down from `view`, taking links as Wine does. Lock held by the caller.
Result<KeyView> descend(const RegistryState& state, KeyView view,
                        const std::vector<std::string_view>& parts, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::shared_ptr<HiveKey> front =
            live(view.front) ? state.child(*view.front, parts[i], true, view.followed) : nullptr;
        std::shared_ptr<HiveKey> back = view.merged && live(view.back)
                                            ? state.child(*view.back, parts[i], true, view.followed)
                                            : nullptr;
        if (!front && !back) return notFound(parts[i]);
        view.front = std::move(front);
        view.back = std::move(back);
    }
    return view;
}

// Takes `key` out of its parent: it and everything below it count as deleted from now on.
void removeSubkey(RegistryState& state, HiveKey& parent, std::size_t index) {
    std::shared_ptr<HiveKey> key = parent.subkeys[index];
    parent.subkeys.erase(parent.subkeys.begin() + static_cast<std::ptrdiff_t>(index));
    key->markDeleted();
    key->parent = nullptr;
    state.touch(parent);
}

}  // namespace

WineRegistryKey::WineRegistryKey(std::shared_ptr<RegistryState> state, KeyView view,
                                 RegAccess access)
    : state_(std::move(state)), view_(std::move(view)), access_(access) {}

bool WineRegistryKey::isDeleted() const {
    return !live(view_.front) && !live(view_.back);
}

Status WineRegistryKey::checkWrite() const {
    if (access_ != RegAccess::ReadWrite) return readOnly();
    return state_->checkServerStopped();
}

std::optional<std::string> WineRegistryKey::subKeyName(std::uint32_t index) const {
    std::shared_lock lock(state_->mutex());
    if (isDeleted()) return std::nullopt;
    const HiveKey* front = live(view_.front) ? view_.front.get() : nullptr;
    const HiveKey* back = view_.merged && live(view_.back) ? view_.back.get() : nullptr;
    const HiveKey* only = !back ? front : (!front || front->subkeys.empty() ? back : nullptr);
    if (only) {
        if (index >= only->subkeys.size()) return std::nullopt;
        return only->subkeys[index]->name;
    }
    const auto& names = mergedNames();
    std::lock_guard cache(cacheMutex_);
    if (index >= names.size()) return std::nullopt;
    return names[index];
}

const std::vector<std::string>& WineRegistryKey::mergedNames() const {
    // Called with the registry lock held; the cache has its own lock.
    std::lock_guard cache(cacheMutex_);
    const std::uint64_t generation = state_->generation();
    if (cacheGeneration_ == generation) return mergedNames_;
    mergedNames_.clear();
    const HiveKey* front = live(view_.front) ? view_.front.get() : nullptr;
    const HiveKey* back = live(view_.back) ? view_.back.get() : nullptr;
    if (front)
        for (const auto& k : front->subkeys)
            mergedNames_.push_back(k->name);
    if (back)
        for (const auto& k : back->subkeys)
            if (!front || !front->findSubkey(k->name)) mergedNames_.push_back(k->name);
    cacheGeneration_ = generation;
    return mergedNames_;
}

std::optional<NamedRegValue> WineRegistryKey::valueAt(std::uint32_t index) const {
    std::shared_lock lock(state_->mutex());
    if (isDeleted()) return std::nullopt;
    const HiveKey* front = live(view_.front) ? view_.front.get() : nullptr;
    const HiveKey* back = view_.merged && live(view_.back) ? view_.back.get() : nullptr;
    std::size_t i = index;
    if (front) {
        const auto& values = front->values();
        if (i < values.size()) return NamedRegValue{values[i].name, values[i].value};
        i -= values.size();
    }
    if (back) {
        for (const HiveValue& v : back->values()) {
            if (front && front->findValue(v.name)) continue;
            if (i == 0) return NamedRegValue{v.name, v.value};
            --i;
        }
    }
    return std::nullopt;
}

RegKeyInfo WineRegistryKey::info() const {
    std::shared_lock lock(state_->mutex());
    RegKeyInfo info;
    if (isDeleted()) return info;
    const HiveKey* front = live(view_.front) ? view_.front.get() : nullptr;
    const HiveKey* back = view_.merged && live(view_.back) ? view_.back.get() : nullptr;
    if (front && back) {
        {
            const auto& names = mergedNames();
            std::lock_guard cache(cacheMutex_);
            info.subKeyCount = static_cast<std::uint32_t>(names.size());
        }
        std::size_t values = front->values().size();
        for (const HiveValue& v : back->values())
            if (!front->findValue(v.name)) ++values;
        info.valueCount = static_cast<std::uint32_t>(values);
        info.lastWriteTime = std::max(front->modified, back->modified);
    } else {
        const HiveKey* k = front ? front : back;
        info.subKeyCount = static_cast<std::uint32_t>(k->subkeys.size());
        info.valueCount = static_cast<std::uint32_t>(k->values().size());
        info.lastWriteTime = k->modified;
    }
    for (const HiveKey* k : {front, back}) {
        if (k && k->className) {
            info.className = text::utf16ToUtf8(*k->className);
            break;
        }
    }
    return info;
}

std::optional<RegValue> WineRegistryKey::value(std::string_view name) const {
    std::shared_lock lock(state_->mutex());
    for (const auto* side : {&view_.front, &view_.back}) {
        if (!live(*side)) continue;
        if (const HiveValue* v = (*side)->value(name)) return v->value;
    }
    return std::nullopt;
}

Result<RegistryKeyPtr> WineRegistryKey::open(const std::shared_ptr<RegistryState>& state,
                                             const KeyView& base, std::string_view path,
                                             RegAccess access) {
    std::shared_lock lock(state->mutex());
    if (!live(base.front) && !live(base.back)) return keyDeleted();
    const auto parts = splitKeyPath(path);
    auto view = descend(*state, base, parts, parts.size());
    if (!view) return view.status();
    return RegistryKeyPtr(std::make_unique<WineRegistryKey>(state, std::move(*view), access));
}

Result<RegistryKeyPtr> WineRegistryKey::openSubKey(std::string_view path, RegAccess access) const {
    return open(state_, view_, path, access);
}

Result<RegistryKeyPtr> WineRegistryKey::create(const std::shared_ptr<RegistryState>& state,
                                               const KeyView& base, std::string_view path) {
    if (Status s = state->checkServerStopped(); !s) return s;
    const auto parts = splitKeyPath(path);
    for (const auto part : parts)
        if (const auto units = text::utf8ToUtf16(part).size(); units > kMaxKeyNameUnits)
            return Status(ErrorCode::InvalidParameter,
                          "The registry key name \"" + shortened(part) + "\" has " +
                              std::to_string(units) + " characters; Windows allows " +
                              std::to_string(kMaxKeyNameUnits) + ". Nothing was written.");
    std::unique_lock lock(state->mutex());
    if (!live(base.front) && !live(base.back)) return keyDeleted();
    KeyView view = base;
    for (const auto part : parts) {
        auto next = descend(*state, view, {part}, 1);
        if (next) {
            view = std::move(*next);
            continue;
        }
        // New keys of a merged view go to the machine's side unless only the user has the
        // parent.
        const bool toBack = view.merged && live(view.back);
        HiveKey* parent = toBack ? view.back.get() : view.front.get();
        if (!parent || parent->deleted) return keyDeleted();
        if (parent->hive == HiveKey::kNoHive) return notStorable();
        if (parent->findSubkey(part))  // a link whose target cannot be reached
            return Status(ErrorCode::FileNotFound,
                          "The registry link \"" + std::string(part) + "\" leads nowhere.");
        std::size_t depth = 0;
        for (const HiveKey* k = parent; k; k = k->parent)
            ++depth;
        if (depth > HiveKey::kMaxDepth)
            return Status(ErrorCode::InvalidParameter, "The registry path is too deep.");
        std::shared_ptr<HiveKey> key = parent->addSubkey(std::string(part));
        state->touch(*key);
        state->touch(*parent);
        view.front = toBack ? nullptr : key;
        view.back = toBack ? key : nullptr;
    }
    return RegistryKeyPtr(
        std::make_unique<WineRegistryKey>(state, std::move(view), RegAccess::ReadWrite));
}

Result<RegistryKeyPtr> WineRegistryKey::createSubKey(std::string_view path) {
    if (access_ != RegAccess::ReadWrite) return readOnly();
    return create(state_, view_, path);
}

Status WineRegistryKey::setValue(std::string_view name, const RegValue& value) {
    if (Status s = checkWrite(); !s) return s;
    if (const auto units = text::utf8ToUtf16(name).size(); units > kMaxValueNameUnits)
        return {ErrorCode::InvalidParameter,
                "The value name \"" + shortened(name) + "\" has " + std::to_string(units) +
                    " characters; Windows allows " + std::to_string(kMaxValueNameUnits) +
                    ". Nothing was written."};
    std::unique_lock lock(state_->mutex());
    if (isDeleted()) return keyDeleted();
    HiveKey& target = live(view_.front) ? *view_.front : *view_.back;
    if (target.hive == HiveKey::kNoHive) return notStorable();
    if (const auto i = target.findValue(name)) {
        auto& values = target.mutableValues();
        if (values[*i].value == value) return Status::ok();  // as Wine: no change
        values[*i].value = value;
    } else {
        target.addValue(std::string(name)).value = value;
    }
    state_->touch(target);
    return Status::ok();
}

Status WineRegistryKey::deleteValue(std::string_view name) {
    if (Status s = checkWrite(); !s) return s;
    std::unique_lock lock(state_->mutex());
    if (isDeleted()) return keyDeleted();
    for (const auto* side : {&view_.front, &view_.back}) {
        if (!live(*side)) continue;
        HiveKey& key = **side;
        if (const auto i = key.findValue(name)) {
            if (key.hive == HiveKey::kNoHive) return notStorable();
            auto& values = key.mutableValues();
            values.erase(values.begin() + static_cast<std::ptrdiff_t>(*i));
            state_->touch(key);
            return Status::ok();
        }
    }
    return {ErrorCode::FileNotFound, "The value \"" + std::string(name) + "\" does not exist."};
}

Status WineRegistryKey::deleteSubKey(std::string_view name) {
    if (Status s = checkWrite(); !s) return s;
    std::unique_lock lock(state_->mutex());
    if (isDeleted()) return keyDeleted();
    const auto parts = splitKeyPath(name);
    if (parts.empty()) return {ErrorCode::InvalidParameter, "No subkey name was given."};
    auto parent = descend(*state_, view_, parts, parts.size() - 1);
    if (!parent) return parent.status();
    struct Found {
        HiveKey* parent;
        std::size_t index;
    };
    std::vector<Found> found;
    for (const auto* side : {&parent->front, &parent->back}) {
        if (!live(*side)) continue;
        if (const auto i = (*side)->findSubkey(parts.back())) {
            if (!(*side)->subkeys[*i]->subkeys.empty())
                return {ErrorCode::AccessDenied,
                        "The registry key \"" + std::string(parts.back()) + "\" has subkeys."};
            if ((*side)->hive == HiveKey::kNoHive) return notStorable();
            found.push_back({side->get(), *i});
        }
    }
    if (found.empty()) return notFound(parts.back());
    for (const Found& f : found)
        removeSubkey(*state_, *f.parent, f.index);
    return Status::ok();
}

Status WineRegistryKey::deleteTree(std::string_view path) {
    if (Status s = checkWrite(); !s) return s;
    std::unique_lock lock(state_->mutex());
    if (isDeleted()) return keyDeleted();
    const auto parts = splitKeyPath(path);
    if (parts.empty()) {
        for (const auto* side : {&view_.front, &view_.back}) {
            if (!live(*side)) continue;
            HiveKey& key = **side;
            if (key.hive == HiveKey::kNoHive) return notStorable();
            if (key.subkeys.empty() && key.values().empty()) continue;
            for (const auto& k : key.subkeys) {
                k->markDeleted();
                k->parent = nullptr;
            }
            key.subkeys.clear();
            key.mutableValues().clear();
            state_->touch(key);
        }
        return Status::ok();
    }
    auto parent = descend(*state_, view_, parts, parts.size() - 1);
    if (!parent) return parent.status();
    bool any = false;
    for (const auto* side : {&parent->front, &parent->back}) {
        if (!live(*side)) continue;
        if (const auto i = (*side)->findSubkey(parts.back())) {
            if ((*side)->hive == HiveKey::kNoHive) return notStorable();
            removeSubkey(*state_, **side, *i);
            any = true;
        }
    }
    return any ? Status::ok() : notFound(parts.back());
}

}  // namespace quorvel::platform::wineprefix
