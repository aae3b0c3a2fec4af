#include <string>
#include <vector>

#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

namespace text = platform::text;
using platform::RootKey;

constexpr std::string_view kCurrentVersion = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

std::string Shown(std::string_view path) {
    return std::string(path.starts_with('\\') ? path.substr(1) : path);
}

std::vector<std::string> SubkeysOf(const ScanRun& run, RootKey root, std::string_view path) {
    auto key = run.open(root, path);
    return key ? key->subKeyNames() : std::vector<std::string>{};
}

}  // namespace

void CheckEmptySoftwareKeys(ScanRun& run) {
    const RootKey roots[] = {RootKey::CurrentUser, RootKey::LocalMachine};
    for (int part = 0; part < 2; ++part) {
        if (part > 0 && run.stopped()) break;
        const auto names = SubkeysOf(run, roots[part], "\\SOFTWARE");
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (run.stopped()) break;
            const std::string path = "\\software\\" + names[i];
            run.progress(i, names.size(), 50, 50.0 * part, Shown(path));
            if (text::iequals(names[i], "POLICIES")) continue;
            if (run.isEmptyKeyTree(roots[part], path, true)) {
                run.add(roots[part], path, "", "", run.message(11044), DeleteKey);
            }
        }
    }
    run.endStep();
}

void CheckRunEntries(ScanRun& run) {
    // The user's key is one for both views; the machine's has a 32-bit one.
    const std::string tail = "\\Microsoft\\Windows\\CurrentVersion\\Run";
    const RootKey roots[] = {RootKey::CurrentUser, RootKey::LocalMachine, RootKey::LocalMachine};
    const std::string paths[] = {"\\Software" + tail, std::string(kSoftwareViews[0]) + tail,
                                 std::string(kSoftwareViews[1]) + tail};
    for (int part = 0; part < 3; ++part) {
        if (part > 0 && run.stopped()) break;
        const std::string& runPath = paths[part];
        auto key = run.open(roots[part], runPath);
        if (!key) continue;
        const auto values = key->values();
        key.reset();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (run.stopped()) break;
            const auto& value = values[i];
            run.progress(i, values.size(), 100.0 / 3, 100.0 / 3 * part,
                         Shown(runPath) + "\\" + value.name);
            if (!value.value.isString()) continue;
            const std::string command = value.value.asString().value_or(std::string{});
            const auto expanded = run.expandVars(command);
            if (expanded && !run.targetExists(*expanded, true)) {
                run.add(roots[part], runPath, value.name, command,
                        run.message(11065, value.name, command), DeleteValue);
            }
        }
    }
    run.endStep();
}

void CheckAppPaths(ScanRun& run) {
    const std::string listPath = std::string(kCurrentVersion) + "\\App Paths";
    const auto names = SubkeysOf(run, RootKey::LocalMachine, listPath);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) break;
        const std::string appPath = listPath + "\\" + names[i];
        run.progress(i, names.size(), 100, 0, Shown(appPath));
        auto key = run.open(RootKey::LocalMachine, appPath);
        if (!key) continue;
        std::string program = ScanRun::defaultValue(*key);
        const std::string folder = ScanRun::stringValue(*key, "Path");
        // A bare program name stands in the folder that "Path" names.
        if (text::iequals(program, names[i]) && !folder.empty()) {
            program = folder + (folder.ends_with('\\') ? "" : "\\") + program;
        }
        if (!program.empty() && program.find(':') != std::string::npos &&
            !run.targetExists(program, true)) {
            run.add(RootKey::LocalMachine, appPath, "", program, run.message(11056, program),
                    DeleteKey);
        }
    }
    run.endStep();
}

namespace {

// The entries of one view of the Uninstall list, in the part of the step from offset.
void CheckUninstallView(ScanRun& run, const std::string& listPath, double offset) {
    const auto names = SubkeysOf(run, RootKey::LocalMachine, listPath);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) break;
        const std::string entryPath = listPath + "\\" + names[i];
        run.progress(i, names.size(), 50, offset, Shown(entryPath));
        auto key = run.open(RootKey::LocalMachine, entryPath);
        if (!key) continue;
        std::string valueNames;
        for (std::uint32_t v = 0;; ++v) {
            auto value = key->valueAt(v);
            if (!value) break;
            valueNames.append(text::toUpperAscii(value->name)).append("\n");
        }
        std::string displayName = ScanRun::stringValue(*key, "DisplayName");
        if (displayName.empty()) displayName = names[i];

        const bool hasCommand = valueNames.find("UNINSTALLSTRING") != std::string::npos ||
                                valueNames.find("QUIETUNINSTALLSTRING") != std::string::npos ||
                                valueNames.find("SYSTEMCOMPONENT") != std::string::npos;
        if (hasCommand) {
            std::string command = ScanRun::stringValue(*key, "UninstallString");
            if (command.empty()) command = ScanRun::stringValue(*key, "QuietUninstallString");
            const auto expanded = command.empty() ? std::nullopt : run.expandVars(command);
            if (expanded && !run.targetExists(*expanded, false)) {
                run.add(RootKey::LocalMachine, entryPath, "", "", run.message(11067, displayName),
                        DeleteKey);
            }
        } else if (key->info().subKeyCount == 0) {
            run.add(RootKey::LocalMachine, entryPath, "", "", run.message(11066), DeleteKey);
        }
    }
}

}  // namespace

void CheckUninstallEntries(ScanRun& run) {
    for (std::size_t view = 0; view < kSoftwareViews.size(); ++view) {
        if (view > 0 && run.stopped()) break;
        CheckUninstallView(
            run,
            std::string(kSoftwareViews[view]) + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
            50.0 * static_cast<double>(view));
    }
    run.endStep();
}

void CheckArpCache(ScanRun& run) {
    const std::string listPath = std::string(kCurrentVersion) + "\\App Management\\ARPCache";
    const std::string uninstallPath = std::string(kCurrentVersion) + "\\Uninstall";
    const auto names = SubkeysOf(run, RootKey::LocalMachine, listPath);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) break;
        const std::string cachePath = listPath + "\\" + names[i];
        run.progress(i, names.size(), 100, 0, Shown(cachePath));
        if (!run.keyExists(RootKey::LocalMachine, uninstallPath)) continue;
        // A 32-bit program's entry stands in the 32-bit view of the list.
        const std::string uninstall32 = std::string(kSoftwareViews[1]) +
                                        "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                        names[i];
        if (!run.keyExists(RootKey::LocalMachine, uninstallPath + "\\" + names[i]) &&
            !run.keyExists(RootKey::LocalMachine, uninstall32)) {
            run.add(RootKey::LocalMachine, cachePath, "", "", run.message(11067, names[i]),
                    DeleteKey);
        }
    }
    run.endStep();
}

}  // namespace quorvel::registry
