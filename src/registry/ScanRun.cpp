#include "registry/ScanRun.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/language/LanguageTable.h"
#include "core/paths/EnvironmentExpansion.h"
#include "core/paths/PathUtils.h"
#include "platform/RegistryNames.h"

namespace quorvel::registry {

namespace {

// Answers kept per run; a generous bound keeps memory flat on huge hives.
constexpr std::size_t kTargetCacheLimit = 200000;

}  // namespace

ScanRun::ScanRun(const core::Context& context, ScanHost& host)
    : context_(context), host_(host), userSid_(context.machine.environment().userSid()) {
    tester_.expandVars = [this](std::string_view text) { return expandVars(text); };
    tester_.targetExists = [this](std::string_view commandLine, bool cutAtComma) {
        return targetExists(commandLine, cutAtComma);
    };
}

void ScanRun::progress(std::size_t index, std::size_t count, double share, double offset,
                       std::string_view text) {
    if (count == 0) count = 1;
    const double within = static_cast<double>(index + 1) * share / static_cast<double>(count);
    progressAt(static_cast<int>(std::lround((within + offset) / kStepCount + progressBase_)), text);
}

void ScanRun::progressAt(int position, std::string_view text) {
    host_.reportProgress(position, text);
}

int ScanRun::stepEndPosition() const {
    return static_cast<int>(std::lround(progressBase_ + 100.0 / kStepCount));
}

platform::RegistryKeyPtr ScanRun::open(platform::RootKey root, std::string_view path) const {
    auto key = context_.machine.registry().openKey(root, path);
    if (!key) return nullptr;
    return std::move(key).value();
}

bool ScanRun::keyExists(platform::RootKey root, std::string_view path) const {
    return open(root, path) != nullptr;
}

bool ScanRun::isEmptyKeyTree(platform::RootKey root, std::string_view path, bool recurse) const {
    auto key = open(root, path);
    return key && isEmptyKeyTree(*key, recurse);
}

bool ScanRun::isEmptyKeyTree(const platform::RegistryKey& top, bool recurse) {
    // Depth-first without recursion: a hive may nest keys deeper than a thread's stack allows.
    std::vector<platform::RegistryKeyPtr> pending;
    platform::RegistryKeyPtr current;  // owns the key under test once below the top
    const platform::RegistryKey* key = &top;
    for (;;) {
        const auto info = key->info();
        if (info.valueCount != 0) return false;
        if (info.subKeyCount != 0) {
            if (!recurse) return false;
            const auto names = key->subKeyNames();
            // Pushed in reverse so the subkeys are tested in registry order.
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                auto sub = key->openSubKey(*it);
                if (!sub) return false;
                pending.push_back(std::move(sub).value());
            }
        }
        if (pending.empty()) return true;
        current = std::move(pending.back());
        pending.pop_back();
        key = current.get();
    }
}

platform::RegistryKeyPtr ScanRun::openBelow(const platform::RegistryKey& key,
                                            std::string_view path) {
    auto sub = key.openSubKey(path);
    if (!sub) return nullptr;
    return std::move(sub).value();
}

std::string ScanRun::stringValue(const platform::RegistryKey& key, std::string_view name) {
    auto value = key.value(name);
    if (!value) return {};
    return value->asString().value_or(std::string{});
}

std::size_t ScanRun::valueNameCount(const platform::RegistryKey& key) {
    const auto count = key.info().valueCount;
    if (count == 1) {
        auto only = key.valueAt(0);
        if (only && only->name.empty()) return 0;
    }
    return count;
}

bool ScanRun::embeddedPathExists(std::string_view text) {
    return EmbeddedPathExists(tester_, text);
}
bool ScanRun::commandTargetOk(std::string_view text) {
    return CommandTargetOk(tester_, text);
}
bool ScanRun::serverPathExists(std::string_view text) {
    return ServerPathExists(tester_, text);
}

bool ScanRun::targetExists(std::string_view commandLine, bool cutAtComma) {
    // A program on a network share cannot be judged from here, like one on a non-fixed drive.
    std::string_view program = commandLine;
    while (!program.empty() && (program.front() == ' ' || program.front() == '"')) {
        program.remove_prefix(1);
    }
    if (program.starts_with("\\\\")) return true;

    std::string key;
    key.reserve(commandLine.size() + 1);
    key.push_back(cutAtComma ? ',' : '-');
    key.append(commandLine);
    if (auto hit = targetCache_.find(key); hit != targetCache_.end()) return hit->second;
    const bool exists = core::CommandTargetExists(context_, commandLine, cutAtComma);
    if (targetCache_.size() >= kTargetCacheLimit) targetCache_.clear();
    targetCache_.emplace(std::move(key), exists);
    return exists;
}

std::optional<std::string> ScanRun::expandVars(std::string_view text) const {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    // The short list alone leaves %ProgramFiles(x86)%, %CommonProgramFiles%, %APPDATA% and the
    // like in place, and a path holding them never exists: every 64-bit installer's
    // registrations would be judged broken.
    return core::ExpandEnvironmentVars(context_.machine.environment(),
                                       core::ExpandPathVarsUpper(context_.globals, text));
}

void ScanRun::openContainers() const {
    if (containersOpened_) return;
    clsidKey_ = open(platform::RootKey::ClassesRoot, "\\CLSID");
    clsid32Key_ = open(platform::RootKey::ClassesRoot, "\\Wow6432Node\\CLSID");
    typeLibKey_ = open(platform::RootKey::ClassesRoot, "\\typelib");
    containersOpened_ = true;
}

bool ScanRun::classReferenceBroken(std::string_view clsid) const {
    openContainers();
    // A 32-bit program's class is registered only in the 32-bit view; it is found as well.
    const bool registered = (clsidKey_ && openBelow(*clsidKey_, clsid)) ||
                            (clsid32Key_ && openBelow(*clsid32Key_, clsid));
    return !registered || isListedBroken(clsid);
}

bool ScanRun::typeLibReferenceBroken(std::string_view typeLib) const {
    openContainers();
    return !typeLibKey_ || !openBelow(*typeLibKey_, typeLib) || isListedBroken(typeLib);
}

std::string ScanRun::message(int id, std::string_view first, std::string_view second) const {
    return context_.language.LangText(id, first, second);
}

void ScanRun::add(platform::RootKey root, std::string_view keyPath, std::string_view valueName,
                  std::string_view data, std::string description, RegFindingKind kind,
                  int groupMarker) {
    // HKEY_USERS\<the user>\rest is HKEY_CURRENT_USER\rest: findings there are filed under
    // HKEY_CURRENT_USER.
    auto canonicalRoot = root;
    std::string_view canonicalPath = platform::trimKeyPath(keyPath);
    if (root == platform::RootKey::Users && !userSid_.empty() &&
        platform::text::istartsWith(canonicalPath, userSid_) &&
        (canonicalPath.size() == userSid_.size() || canonicalPath[userSid_.size()] == '\\')) {
        canonicalRoot = platform::RootKey::CurrentUser;
        canonicalPath.remove_prefix(std::min(canonicalPath.size(), userSid_.size() + 1));
    }
    std::string identity = std::to_string(static_cast<std::uint32_t>(canonicalRoot));
    identity.append("\n").append(platform::text::toUpperAscii(canonicalPath));
    identity.append("\n").append(platform::text::toUpperAscii(valueName));
    // The data tells apart two problems of one key (a class whose two servers are both gone).
    identity.append("\n").append(data);
    if (!reported_.insert(std::move(identity)).second) return;

    TRegData finding;
    finding.RootKey = canonicalRoot;
    // Shown and repaired under the name people know the user's hive by.
    finding.KeyPath =
        canonicalRoot == root ? std::string(keyPath) : "\\" + std::string(canonicalPath);
    finding.ValueName = valueName;
    finding.Data = data;
    finding.Description = std::move(description);
    finding.Kind = kind;
    finding.GroupMarker = groupMarker;
    host_.addFinding(std::move(finding));
}

}  // namespace quorvel::registry
