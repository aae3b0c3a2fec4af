#include <algorithm>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

namespace text = platform::text;
using platform::RootKey;
constexpr RootKey kClasses = RootKey::ClassesRoot;

// File-type findings of the first pass and most of the second carry group marker 0.
constexpr int kFileTypeGroup = 0;
constexpr int kOtherGroup = -1;

struct Association {
    std::string extension;
    std::string progId;
};

void CheckClassReference(ScanRun& run, const std::string& keyPath) {
    auto key = run.open(kClasses, keyPath);
    if (!key) return;
    const std::string clsid = ScanRun::defaultValue(*key);
    if (!clsid.empty() && run.classReferenceBroken(clsid)) {
        run.add(kClasses, keyPath, "", clsid, run.message(11045, clsid), DeleteKey, kFileTypeGroup);
    }
}

void CheckExtension(ScanRun& run, const std::string& extension,
                    std::vector<Association>& associations) {
    const std::string extPath = "\\" + extension;
    if (auto key = run.open(kClasses, extPath)) {
        const std::string progId = ScanRun::defaultValue(*key);
        if (!progId.empty()) {
            if (!run.keyExists(kClasses, "\\" + progId)) {
                run.add(kClasses, extPath, "", progId,
                        run.message(11043, "HKEY_CLASSES_ROOT\\" + progId), DeleteKey,
                        kFileTypeGroup);
            } else {
                associations.push_back({extension, progId});
            }
        }
    }
    const std::string commandPath = extPath + "\\shell\\command";
    if (run.isEmptyKeyTree(kClasses, commandPath, true)) {
        run.add(kClasses, commandPath, "", "", run.message(11044), DeleteKey, kFileTypeGroup);
    }
}

void CheckRootClass(ScanRun& run, const std::string& name) {
    const std::string path = "\\" + name;
    if (run.isEmptyKeyTree(kClasses, path, true)) {
        run.add(kClasses, path, "", "", run.message(11044), DeleteKey, kFileTypeGroup);
    }
    CheckClassReference(run, path + "\\CLSID");
}

void CheckVerbs(ScanRun& run, const std::string& progPath) {
    auto shell = run.open(kClasses, progPath + "\\Shell");
    if (!shell) return;
    const auto verbs = shell->subKeyNames();
    shell.reset();
    for (const auto& verb : verbs) {
        if (run.stopped()) return;
        const std::string verbPath = progPath + "\\Shell\\" + verb;
        auto command = run.open(kClasses, verbPath + "\\Command");
        if (command) {
            const std::string line = ScanRun::defaultValue(*command);
            if (!line.empty() && !run.commandTargetOk(line)) {
                run.add(kClasses, verbPath, "", line, run.message(11047, verb, line), DeleteKey,
                        kFileTypeGroup);
            }
        }
        auto dropTarget = run.open(kClasses, verbPath + "\\DropTarget");
        if (dropTarget) {
            const std::string clsid = ScanRun::stringValue(*dropTarget, "CLSID");
            if (!clsid.empty() && !run.keyExists(kClasses, "\\clsid\\" + clsid)) {
                run.add(kClasses, verbPath, "", clsid, run.message(11047, verb, clsid), DeleteKey,
                        kFileTypeGroup);
            }
        }
        if (!command && !dropTarget) {
            run.add(kClasses, verbPath, "", "", run.message(11048), DeleteKey, kFileTypeGroup);
        }
    }
}

void CheckHandlers(ScanRun& run, const std::string& listPath, int bracedGroup) {
    auto list = run.open(kClasses, listPath);
    if (!list) return;
    const auto handlers = list->subKeyNames();
    list.reset();
    for (const auto& handler : handlers) {
        if (run.stopped()) return;
        const std::string handlerPath = listPath + "\\" + handler;
        if (IsBracedName(handler)) {
            if (run.classReferenceBroken(handler)) {
                run.add(kClasses, handlerPath, "", "", run.message(11045, handler), DeleteKey,
                        bracedGroup);
            }
            continue;
        }
        auto key = run.open(kClasses, handlerPath);
        if (!key) continue;
        const std::string clsid = ScanRun::defaultValue(*key);
        if (clsid.empty()) {
            run.add(kClasses, handlerPath, "", "", run.message(11049), DeleteKey, kOtherGroup);
        } else if (run.classReferenceBroken(clsid)) {
            run.add(kClasses, handlerPath, "", clsid, run.message(11045, clsid), DeleteKey,
                    kOtherGroup);
        }
    }
}

void CheckProgId(ScanRun& run, const std::string& progId) {
    const std::string progPath = "\\" + progId;
    CheckClassReference(run, progPath + "\\CLSID");

    const std::string iconPath = progPath + "\\DefaultIcon";
    if (auto icon = run.open(kClasses, iconPath)) {
        const std::string value = ScanRun::defaultValue(*icon);
        if (!value.empty() && !run.commandTargetOk(value)) {
            run.add(kClasses, iconPath, "", value, run.message(11046, value), DeleteKey,
                    kFileTypeGroup);
        }
    }
    CheckVerbs(run, progPath);
    if (run.stopped()) return;
    CheckHandlers(run, progPath + "\\shellex\\ContextMenuHandlers", kFileTypeGroup);
    if (run.stopped()) return;
    CheckHandlers(run, progPath + "\\shellex\\PropertySheetHandlers", kOtherGroup);
}

}  // namespace

void CheckFileTypes(ScanRun& run) {
    std::vector<std::string> names;
    if (auto root = run.open(kClasses, "")) names = root->subKeyNames();
    std::stable_sort(names.begin(), names.end(), text::ILess{});

    std::vector<Association> associations;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) break;
        run.progress(i, names.size(), 50, 0, names[i]);
        if (names[i].starts_with('.')) {
            CheckExtension(run, names[i], associations);
        } else {
            CheckRootClass(run, names[i]);
        }
    }

    associations.insert(associations.begin(), Association{"(All files)", "*"});
    // Several extensions often share one ProgID; it is examined once.
    std::unordered_set<std::string, text::IHash, text::IEqual> examined;
    for (std::size_t i = 0; i < associations.size(); ++i) {
        if (run.stopped()) break;
        const std::string& progId = associations[i].progId;
        run.progress(i, associations.size(), 50, 50, progId);
        if (!examined.insert(progId).second) continue;
        CheckProgId(run, progId);
    }
    run.endStep();
}

}  // namespace quorvel::registry
