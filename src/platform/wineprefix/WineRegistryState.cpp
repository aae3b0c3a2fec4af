#include "platform/wineprefix/WineRegistryState.h"

#include <chrono>
#include <mutex>
#include <sstream>

#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WineServer.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr std::string_view kDefaultUserSid = "S-1-5-21-0-0-0-1000";
constexpr int kMaxLinkDepth = 16;

std::shared_ptr<HiveKey> makeKey(std::string name, HiveKey* parent, std::uint8_t hive) {
    auto key = std::make_shared<HiveKey>();
    key->name = std::move(name);
    key->parent = parent;
    key->hive = hive;
    return key;
}

// The user's SID from user.reg's header ("REGISTRY\User\S-1-5-21-...").
std::string userSidFrom(const std::optional<std::string>& relativeTo) {
    if (!relativeTo) return std::string(kDefaultUserSid);
    const auto parts = splitKeyPath(*relativeTo);
    if (parts.size() >= 2 && text::iequals(parts[parts.size() - 2], "User") &&
        !text::iequals(parts.back(), ".Default"))
        return std::string(parts.back());
    return std::string(kDefaultUserSid);
}

bool isAncestorOrSelf(const HiveKey* candidate, const HiveKey* key) {
    for (const HiveKey* k = key; k; k = k->parent)
        if (k == candidate) return true;
    return false;
}

}  // namespace

std::vector<std::string_view> splitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

RegistryState::RegistryState(std::filesystem::path prefix) : prefix_(std::move(prefix)) {
    hives_[kSystemHive].file = prefix_ / "system.reg";
    hives_[kUserHive].file = prefix_ / "user.reg";
    hives_[kUserDefaultHive].file = prefix_ / "userdef.reg";
}

void RegistryState::load() {
    const FileTime loadTime = now();
    std::array<HiveFileText, 3> sources;
    for (std::size_t i = 0; i < hives_.size(); ++i)
        sources[i] = readHiveFile(hives_[i].file);

    const std::string sid = userSidFrom(
        sources[kUserHive].text ? hiveRelativeTo(*sources[kUserHive].text) : std::nullopt);
    root_ = makeKey("REGISTRY", nullptr, HiveKey::kNoHive);
    machine_ = makeKey("Machine", root_.get(), kSystemHive);
    users_ = makeKey("User", root_.get(), HiveKey::kNoHive);
    auto userDefault = makeKey(".Default", users_.get(), kUserDefaultHive);
    currentUser_ = makeKey(sid, users_.get(), kUserHive);
    root_->subkeys = {machine_, users_};
    users_->subkeys = {userDefault, currentUser_};
    users_->subkeysSorted = compareNames(userDefault->name, currentUser_->name) < 0;
    for (auto* k :
         {root_.get(), machine_.get(), users_.get(), userDefault.get(), currentUser_.get()})
        k->modified = loadTime;

    hives_[kSystemHive].root = machine_;
    hives_[kSystemHive].relativeTo = "REGISTRY\\Machine";
    hives_[kUserDefaultHive].root = userDefault;
    hives_[kUserDefaultHive].relativeTo = "REGISTRY\\User\\.Default";
    hives_[kUserHive].root = currentUser_;
    hives_[kUserHive].relativeTo = "REGISTRY\\User\\" + sid;

    for (std::size_t i = 0; i < hives_.size(); ++i) {
        Hive& hive = hives_[i];
        HiveFileText& source = sources[i];
        hive.onDisk = source.signature;
        if (source.text) {
            parseHive(hive, std::move(*source.text), loadTime);
        } else if (source.exists) {
            hive.problem = HiveProblem{hive.file, 0, source.error};
            hive.problemCount = 1;
        }
    }
}

void RegistryState::reload() {
    std::unique_lock lock(mutex_);
    if (root_) root_->markDeleted();
    for (Hive& hive : hives_) {
        std::filesystem::path file = std::move(hive.file);
        hive = Hive{};
        hive.file = std::move(file);
    }
    load();
    noteChange();
}

Status RegistryState::checkServerStopped() const {
    if (!WineServer::isRunning(prefix_)) return Status::ok();
    return {ErrorCode::SharingViolation,
            "Wine is running for the prefix " + prefix_.string() +
                "; the registry cannot be changed until its programs end (wineserver -k)."};
}

std::shared_ptr<HiveKey> RegistryState::child(const HiveKey& parent, std::string_view name,
                                              bool followLink,
                                              std::vector<const HiveKey*>& followed) const {
    const auto i = parent.findSubkey(name);
    if (!i) return nullptr;
    std::shared_ptr<HiveKey> key = parent.subkeys[*i];
    if (followLink && key->isLink) return resolveLink(*key, followed);
    return key;
}

std::shared_ptr<HiveKey> RegistryState::resolveLink(const HiveKey& link,
                                                    std::vector<const HiveKey*>& followed) const {
    const HiveKey* current = &link;
    std::shared_ptr<HiveKey> target;
    for (int depth = 0; current->isLink; ++depth) {
        if (depth > kMaxLinkDepth) return nullptr;
        const auto path = current->linkTarget();
        if (!path) return nullptr;
        auto parts = splitKeyPath(*path);
        if (parts.empty() || !text::iequals(parts.front(), "Registry")) return nullptr;
        std::shared_ptr<HiveKey> key = root_;
        for (std::size_t p = 1; p < parts.size() && key; ++p) {
            const auto i = key->findSubkey(parts[p]);
            if (!i) return nullptr;
            std::shared_ptr<HiveKey> next = key->subkeys[*i];
            // A link in the middle of the target path is followed as well.
            for (int inner = 0; next->isLink && p + 1 < parts.size(); ++inner) {
                if (depth + inner > kMaxLinkDepth) return nullptr;
                std::vector<const HiveKey*> scratch;
                next = resolveLink(*next, scratch);
                if (!next) return nullptr;
            }
            key = next;
        }
        if (!key || key == root_) return nullptr;
        target = key;
        current = key.get();
    }
    if (!target || isAncestorOrSelf(target.get(), &link)) return nullptr;
    // Each target is taken once per path, so a walk through links always ends. (Pointers are
    // only compared: a followed key may have been deleted since.)
    for (const HiveKey* f : followed)
        if (f == target.get()) return nullptr;
    followed.push_back(target.get());
    return target;
}

FileTime RegistryState::now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
    return FileTime::fromUnix(ns / 1000000000LL, ns % 1000000000LL);
}

void RegistryState::touch(HiveKey& key) {
    key.modified = now();
    key.changed = true;
    if (key.hive < hives_.size()) hives_[key.hive].dirty = true;
    noteChange();
}

void RegistryState::noteChange() {
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

std::vector<HiveProblem> RegistryState::problems() const {
    std::shared_lock lock(mutex_);
    std::vector<HiveProblem> all;
    for (const Hive& hive : hives_)
        if (hive.problem) all.push_back(*hive.problem);
    return all;
}

Status RegistryState::flush() {
    std::unique_lock lock(mutex_);
    // Another program (Wine, a second copy of this one) that saved a hive since it was read
    // would lose its change to ours: then nothing is saved, so the hives stay consistent.
    for (const Hive& hive : hives_) {
        if (hive.dirty && !hive.problem && signatureOf(hive.file) != hive.onDisk)
            return {ErrorCode::SharingViolation,
                    hive.file.string() +
                        " was changed by another program since it was read; nothing was saved, "
                        "so that its change is not lost. Run the command again."};
    }
    Status result;
    for (Hive& hive : hives_) {
        if (!hive.dirty) continue;
        if (hive.problem) {
            std::ostringstream msg;
            msg << "Not saving " << hive.file.string() << ": it could not be read completely";
            if (hive.problem->line > 0) msg << " (line " << hive.problem->line << ")";
            msg << ": " << hive.problem->text << ". Saving it would lose what could not be read.";
            if (result) result = Status(ErrorCode::InvalidData, msg.str());
            continue;
        }
        removeLeftoverTemporaries(hive.file);
        WrittenHive written = writeHive(hive, HiveWriteMode::KeepText);
        const Status saved = writeFileAtomically(hive.file, written.text, &hive.onDisk);
        if (!saved) {
            if (result) result = saved;
            continue;
        }
        adoptWritten(hive, std::move(written));
    }
    return result;
}

}  // namespace quorvel::platform::wineprefix
