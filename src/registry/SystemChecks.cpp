#include <string>
#include <vector>

#include "platform/text/PathSeparators.h"
#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

using platform::RootKey;
constexpr RootKey kMachine = RootKey::LocalMachine;

std::string Shown(std::string_view path) {
    return std::string(path.starts_with('\\') ? path.substr(1) : path);
}

// Runs test over the values of one key, reporting "<key>\<value>" inside the part of the step
// that spans share points from offset.
template <class Test>
void ForEachValue(ScanRun& run, const std::string& keyPath, double share, double offset,
                  Test test) {
    auto key = run.open(kMachine, keyPath);
    if (!key) return;
    const auto values = key->values();
    key.reset();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (run.stopped()) return;
        run.progress(i, values.size(), share, offset, Shown(keyPath) + "\\" + values[i].name);
        test(values[i]);
    }
}

}  // namespace

void CheckSharedDlls(ScanRun& run) {
    for (std::size_t view = 0; view < kSoftwareViews.size(); ++view) {
        if (view > 0 && run.stopped()) break;
        const std::string keyPath =
            std::string(kSoftwareViews[view]) + "\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
        ForEachValue(run, keyPath, 50, 50.0 * view, [&](const platform::NamedRegValue& value) {
            std::uint32_t count = 1;
            if (value.value.type == platform::regtype::Dword)
                count = value.value.asDword().value_or(1);
            if (!run.embeddedPathExists(value.name)) {
                run.add(kMachine, keyPath, value.name, std::to_string(count),
                        run.message(11059, value.name), DeleteValue);
            } else if (count == 0) {
                run.add(kMachine, keyPath, value.name, "0", run.message(11060, value.name),
                        DeleteValue);
            }
        });
    }
    run.endStep();
}

void CheckInstallerFolders(ScanRun& run) {
    const std::string keyPath =
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
    ForEachValue(run, keyPath, 100, 0, [&](const platform::NamedRegValue& value) {
        if (!run.embeddedPathExists(value.name)) {
            run.add(kMachine, keyPath, value.name, "", run.message(11053, value.name), DeleteValue);
        }
    });
    run.endStep();
}

void CheckFonts(ScanRun& run) {
    const std::string& os = run.context().globals.OsName;
    const std::string keyPath = (os == "xp" || os == "2000")
                                    ? "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\fonts"
                                    : "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts";
    const std::string fontsFolder =
        platform::text::withTrailingBackslash(run.context().globals.WinDir) + "fonts\\";
    ForEachValue(run, keyPath, 100, 0, [&](const platform::NamedRegValue& value) {
        if (!value.value.isString()) return;
        const std::string file = value.value.asString().value_or(std::string{});
        if (!run.targetExists(file, false) && !run.targetExists(fontsFolder + file, false)) {
            run.add(kMachine, keyPath, value.name, file, run.message(11057, file, value.name),
                    DeleteValue);
        }
    });
    run.endStep();
}

void CheckHelpFiles(ScanRun& run) {
    std::vector<std::string> keys;
    for (const auto view : kSoftwareViews) {
        keys.push_back(std::string(view) + "\\Microsoft\\Windows\\Help");
        keys.push_back(std::string(view) + "\\Microsoft\\Windows\\Html Help");
    }
    const double share = 100.0 / static_cast<double>(keys.size());
    for (std::size_t part = 0; part < keys.size(); ++part) {
        if (part > 0 && run.stopped()) break;
        ForEachValue(run, keys[part], share, share * static_cast<double>(part),
                     [&](const platform::NamedRegValue& value) {
                         if (!value.value.isString()) return;
                         const std::string folder = value.value.asString().value_or(std::string{});
                         const std::string file =
                             folder + (folder.ends_with('\\') || folder.empty() ? "" : "\\") +
                             value.name;
                         if (!run.targetExists(file, false)) {
                             run.add(kMachine, keys[part], value.name, folder,
                                     run.message(11058, value.name, file), DeleteValue);
                         }
                     });
    }
    run.endStep();
}

void CheckServiceImagePaths(ScanRun& run) {
    const std::string listPath = "\\SYSTEM\\CurrentControlSet\\Services";
    std::vector<std::string> services;
    if (auto list = run.open(kMachine, listPath)) services = list->subKeyNames();
    for (std::size_t i = 0; i < services.size(); ++i) {
        if (run.stopped()) break;
        const std::string servicePath = listPath + "\\" + services[i];
        run.progress(i, services.size(), 100, 0, Shown(servicePath));
        auto key = run.open(kMachine, servicePath);
        if (!key) continue;
        auto image = key->value("ImagePath");
        if (!image || !image->isString()) continue;
        const std::string path = image->asString().value_or(std::string{});
        if (!run.embeddedPathExists(path)) {
            run.add(kMachine, servicePath, "ImagePath", path, run.message(11061, path), DeleteKey);
        }
    }
    run.endStep();
}

}  // namespace quorvel::registry
