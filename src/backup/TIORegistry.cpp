#include "backup/TIORegistry.h"

#include <algorithm>

#include "backup/RegFileParser.h"
#include "backup/RegFileWriter.h"
#include "platform/RegistryNames.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

// Windows allows 512 levels below a root; deeper trees (or a loop of key links) stop there.
constexpr int kMaxDepth = 512;

// Collects the failures of an import: how many, and the first one in words.
class Failures {
public:
    void add(const Status& s, const std::string& what) {
        if (s) return;
        if (count_++ == 0) first_ = what + ": " + s.message();
        if (firstCode_ == ErrorCode::Success) firstCode_ = s.code();
    }
    Status result() const {
        if (count_ == 0) return Status::ok();
        return {firstCode_, std::to_string(count_) +
                                " registry item(s) could not be written; first: " + first_};
    }

private:
    int count_ = 0;
    std::string first_;
    ErrorCode firstCode_ = ErrorCode::Success;
};

}  // namespace

bool TIORegistry::ExportRegistry(std::string_view rootName, std::string_view keyPath) {
    const auto root = platform::parseRootKeyName(rootName);
    if (!root) return false;
    const std::string path(platform::trimKeyPath(keyPath));
    auto key = machine_.registry().openKey(*root, path);
    if (!key) return false;
    appendTree(*root, path, **key);
    return true;
}

void TIORegistry::appendBlock(platform::RootKey root, const std::string& path,
                              const std::vector<platform::NamedRegValue>& values) {
    lines_.push_back(regfile::keyLine(platform::rootKeyLongName(root), path));
    for (const auto& v : values) {
        for (auto& line : regfile::valueLines(v.name, v.value))
            lines_.push_back(std::move(line));
    }
    lines_.emplace_back();
}

void TIORegistry::appendTree(platform::RootKey root, const std::string& path,
                             const platform::RegistryKey& key) {
    // Depth first, each key before its subkeys, as regedit writes a tree. The stack holds the
    // paths still to visit; keys are opened when their turn comes, so a wide tree does not hold
    // thousands of keys open.
    std::vector<std::pair<std::string, int>> pending;
    const auto visit = [&](const platform::RegistryKey& k, const std::string& p, int depth) {
        appendBlock(root, p, k.values());
        if (depth >= kMaxDepth) return;
        const auto names = k.subKeyNames();
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            // A name that cannot stand in a "[...]" line, or would read as two levels, is left out.
            if (it->empty() || !regfile::isWritableKeyName(*it) ||
                it->find('\\') != std::string::npos)
                continue;
            pending.emplace_back(p.empty() ? *it : p + '\\' + *it, depth + 1);
        }
    };
    visit(key, path, 0);
    while (!pending.empty()) {
        auto [childPath, depth] = std::move(pending.back());
        pending.pop_back();
        auto child = machine_.registry().openKey(root, childPath);
        if (child) visit(**child, childPath, depth);  // else deleted meanwhile
    }
}

bool TIORegistry::ExportRegistry(std::string_view rootName, std::string_view keyPath,
                                 std::string_view valueName) {
    const auto root = platform::parseRootKeyName(rootName);
    if (!root) return false;
    const std::string path(platform::trimKeyPath(keyPath));
    auto key = machine_.registry().openKey(*root, path);
    if (!key) return false;
    const auto value = (*key)->value(valueName);
    if (!value) return false;
    appendBlock(*root, path, {{std::string(valueName), *value}});
    return true;
}

std::string TIORegistry::fileBytes() const {
    return regfile::encodeFile(lines_);
}

Status TIORegistry::save(std::string_view fileName) const {
    return machine_.fileSystem().writeFile(fileName, fileBytes(), platform::WriteMode::Durable);
}

Status TIORegistry::ImportRegistry(std::string_view fileName, Scope scope) {
    auto bytes = machine_.fileSystem().readFile(fileName);
    if (!bytes) return bytes.status();
    return importBytes(*bytes, scope);
}

Status TIORegistry::importBytes(std::string_view bytes, Scope scope) {
    auto parsed = regfile::parseFile(bytes);
    if (!parsed) return parsed.status();
    if (scope == Scope::PutBackOnly) {
        for (const auto& key : parsed->keys) {
            const std::string where =
                regfile::keyLine(platform::rootKeyLongName(key.root), key.path);
            const auto deletion = std::find_if(key.values.begin(), key.values.end(),
                                               [](const auto& v) { return !v.value; });
            if (key.remove || deletion != key.values.end())
                return {platform::ErrorCode::InvalidData,
                        "The backup deletes " +
                            (key.remove ? "the key " + where
                                        : "the value \"" + deletion->name + "\" of " + where) +
                            ", which no backup does; it was refused and nothing was restored."};
        }
    }

    auto& registry = machine_.registry();
    Failures failures;
    for (const auto& key : parsed->keys) {
        const std::string where = regfile::keyLine(platform::rootKeyLongName(key.root), key.path);
        if (key.remove) {
            if (key.path.empty()) continue;  // never delete a whole root
            auto rootKey = registry.openKey(key.root, "", platform::RegAccess::ReadWrite);
            if (!rootKey) {
                failures.add(rootKey.status(), where);
                continue;
            }
            if (!(*rootKey)->openSubKey(key.path)) continue;  // already gone
            failures.add((*rootKey)->deleteTree(key.path), where);
            continue;
        }
        auto target = registry.createKey(key.root, key.path);
        if (!target) {
            failures.add(target.status(), where);
            continue;
        }
        for (const auto& v : key.values) {
            const std::string what = where + " \"" + v.name + "\"";
            if (v.value) {
                failures.add((*target)->setValue(v.name, *v.value), what);
            } else if ((*target)->hasValue(v.name)) {
                failures.add((*target)->deleteValue(v.name), what);
            }
        }
    }
    failures.add(registry.flush(), "saving the registry");
    return failures.result();
}

}  // namespace quorvel::backup
