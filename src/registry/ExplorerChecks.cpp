#include <string>
#include <vector>

#include "core/paths/PathUtils.h"
#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

namespace text = platform::text;
using platform::RootKey;
constexpr RootKey kUser = RootKey::CurrentUser;

constexpr std::string_view kExplorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

std::string Shown(std::string_view path) {
    return std::string(path.starts_with('\\') ? path.substr(1) : path);
}

// a + "\" + b with exactly one backslash between them.
std::string JoinPath(std::string_view a, std::string_view b) {
    while (a.ends_with('\\'))
        a.remove_suffix(1);
    while (b.starts_with('\\'))
        b.remove_prefix(1);
    std::string joined(a);
    joined.append("\\").append(b);
    return joined;
}

bool HasValues(const platform::RegistryKey* key) {
    return key && key->info().valueCount != 0;
}

}  // namespace

void CheckShellFolders(ScanRun& run) {
    const std::string keys[] = {std::string(kExplorer) + "\\User Shell Folders",
                                std::string(kExplorer) + "\\Shell Folders"};
    for (int part = 0; part < 2; ++part) {
        if (part > 0 && run.stopped()) break;
        auto key = run.open(kUser, keys[part]);
        if (!key) continue;
        const auto values = key->values();
        key.reset();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (run.stopped()) break;
            const auto& value = values[i];
            run.progress(i, values.size(), 50, 50.0 * part, Shown(keys[part]) + "\\" + value.name);
            if (!value.value.isString()) continue;
            const std::string data = value.value.asString().value_or(std::string{});
            if (!run.embeddedPathExists(data)) {
                run.add(kUser, keys[part], value.name, data, run.message(11068, value.name, data),
                        DeleteValue);
            }
        }
    }
    run.endStep();
}

void CheckExplorerFileExts(ScanRun& run) {
    const std::string listPath = std::string(kExplorer) + "\\FileExts";
    std::vector<std::string> extensions;
    if (auto list = run.open(kUser, listPath)) extensions = list->subKeyNames();
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (run.stopped()) break;
        const std::string& ext = extensions[i];
        const std::string extPath = listPath + "\\" + ext;
        run.progress(i, extensions.size(), 100, 0, Shown(extPath));
        auto key = run.open(kUser, extPath);
        // UserChoice holds the program the user picked for the type: a key with it is in use.
        const bool inUse = !key || HasValues(key.get()) ||
                           HasValues(run.open(kUser, extPath + "\\OpenWithList").get()) ||
                           HasValues(run.open(kUser, extPath + "\\OpenWithProgids").get()) ||
                           HasValues(run.open(kUser, extPath + "\\UserChoice").get());
        if (inUse || text::iequals(ext, "ddecache") || text::iequals(ext, "openwithlist")) continue;
        run.add(kUser, extPath, "", "", run.message(11044), DeleteKey);
    }
    run.endStep();
}

void CheckStartMenuOrder(ScanRun& run) {
    const std::string base = std::string(kExplorer) + "\\MenuOrder\\Start Menu2\\Programs";
    const auto& globals = run.context().globals;

    struct Frame {
        std::string path;
        std::vector<std::string> subkeys;
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    if (auto top = run.open(kUser, base)) stack.push_back({base, top->subKeyNames()});

    while (!stack.empty()) {
        if (run.stopped()) break;
        Frame& frame = stack.back();
        if (frame.next >= frame.subkeys.size()) {
            stack.pop_back();
            continue;
        }
        const std::size_t index = frame.next++;
        const std::string& name = frame.subkeys[index];
        const std::string keyPath = frame.path + "\\" + name;
        if (stack.size() == 1) run.progress(index, frame.subkeys.size(), 100, 0, Shown(keyPath));
        auto key = run.open(kUser, keyPath);
        if (!key) continue;
        if (key->info().subKeyCount != 0) {
            auto subkeys = key->subKeyNames();
            stack.push_back({keyPath, std::move(subkeys)});
            continue;
        }
        const std::string below = JoinPath(frame.path.substr(base.size()), name);
        // The profiles' "Start Menu\Programs" (older Windows), and the Programs folders the
        // shell names (where Vista and later keep them).
        bool exists = false;
        for (const std::string& programs :
             {JoinPath(globals.AllUsersProfile, "Start Menu\\Programs"),
              JoinPath(globals.UserProfile, "Start Menu\\Programs"), globals.CommonPrograms,
              globals.UserPrograms}) {
            if (programs.empty()) continue;
            if (core::PathExists(run.context(), JoinPath(programs, below), false)) {
                exists = true;
                break;
            }
        }
        if (!exists) {
            run.add(kUser, keyPath, "", "", run.message(11064, name), DeleteKey);
        } else if (!key->hasValue("Order")) {
            run.add(kUser, keyPath, "", "", run.message(11044), DeleteKey);
        }
    }
    run.endStep();
}

void CheckOpenSaveHistory(ScanRun& run) {
    const std::string listPath = std::string(kExplorer) + "\\ComDlg32\\OpenSaveMRU";
    std::vector<std::string> lists;
    if (auto list = run.open(kUser, listPath)) lists = list->subKeyNames();
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (run.stopped()) break;
        const std::string mruPath = listPath + "\\" + lists[i];
        run.progress(i, lists.size(), 100, 0, Shown(mruPath));
        auto key = run.open(kUser, mruPath);
        if (!key) continue;
        for (char letter : ScanRun::stringValue(*key, "MRUList")) {
            if (run.stopped()) break;
            const std::string name(1, letter);
            const std::string path = ScanRun::stringValue(*key, name);
            if (!path.empty() && !run.targetExists(path, false)) {
                run.add(kUser, mruPath, name, path, run.message(11062, name, path), DeleteValue);
            }
        }
    }
    run.endStep();
}

}  // namespace quorvel::registry
