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

// The class named by the default value of <parent>\CLSID.
void CheckClassReference(ScanRun& run, const platform::RegistryKey& parent,
                         const std::string& parentPath) {
    auto key = ScanRun::openBelow(parent, "CLSID");
    if (!key) return;
    const std::string clsid = ScanRun::defaultValue(*key);
    if (!clsid.empty() && run.classReferenceBroken(clsid)) {
        run.add(kClasses, parentPath + "\\CLSID", "", clsid, run.message(11045, clsid), DeleteKey,
                kFileTypeGroup);
    }
}

// One view of the classes: the root and the path of its keys below HKEY_CLASSES_ROOT ("" or
// "\Wow6432Node", where Wine files the file types of 32-bit programs). A ProgID an extension of
// the 32-bit view names may stand in either view.
struct ClassesView {
    const platform::RegistryKey& root;
    std::string base;
    const platform::RegistryKey* shared = nullptr;  // the 64-bit root, for the 32-bit view
};

void CheckExtension(ScanRun& run, const ClassesView& view, const std::string& extension,
                    std::vector<Association>& associations) {
    const platform::RegistryKey& root = view.root;
    const std::string extPath = view.base + "\\" + extension;
    auto key = ScanRun::openBelow(root, extension);
    if (!key) return;
    const std::string progId = ScanRun::defaultValue(*key);
    if (!progId.empty()) {
        const bool inShared = view.shared && ScanRun::openBelow(*view.shared, progId);
        if (!ScanRun::openBelow(root, progId) && !inShared) {
            run.add(kClasses, extPath, "", progId,
                    run.message(11043, "HKEY_CLASSES_ROOT\\" + progId), DeleteKey, kFileTypeGroup);
        } else if (!inShared || ScanRun::openBelow(root, progId)) {
            associations.push_back({extension, progId});
        }
    }
    auto command = ScanRun::openBelow(*key, "shell\\command");
    if (command && ScanRun::isEmptyKeyTree(*command, true)) {
        run.add(kClasses, extPath + "\\shell\\command", "", "", run.message(11044), DeleteKey,
                kFileTypeGroup);
    }
}

void CheckRootClass(ScanRun& run, const ClassesView& view, const std::string& name) {
    const std::string path = view.base + "\\" + name;
    auto key = ScanRun::openBelow(view.root, name);
    if (!key) return;
    if (ScanRun::isEmptyKeyTree(*key, true)) {
        run.add(kClasses, path, "", "", run.message(11044), DeleteKey, kFileTypeGroup);
    }
    CheckClassReference(run, *key, path);
}

void CheckVerbs(ScanRun& run, const platform::RegistryKey& progKey, const std::string& progPath) {
    auto shell = ScanRun::openBelow(progKey, "Shell");
    if (!shell) return;
    for (const auto& verb : shell->subKeyNames()) {
        if (run.stopped()) return;
        const std::string verbPath = progPath + "\\Shell\\" + verb;
        auto verbKey = ScanRun::openBelow(*shell, verb);
        auto command = verbKey ? ScanRun::openBelow(*verbKey, "Command") : nullptr;
        if (command) {
            const std::string line = ScanRun::defaultValue(*command);
            if (!line.empty() && !run.commandTargetOk(line)) {
                run.add(kClasses, verbPath, "", line, run.message(11047, verb, line), DeleteKey,
                        kFileTypeGroup);
            }
        }
        auto dropTarget = verbKey ? ScanRun::openBelow(*verbKey, "DropTarget") : nullptr;
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

void CheckHandlers(ScanRun& run, const platform::RegistryKey& progKey, const std::string& progPath,
                   std::string_view listName, int bracedGroup) {
    auto list = ScanRun::openBelow(progKey, "shellex\\" + std::string(listName));
    if (!list) return;
    const std::string listPath = progPath + "\\shellex\\" + std::string(listName);
    for (const auto& handler : list->subKeyNames()) {
        if (run.stopped()) return;
        const std::string handlerPath = listPath + "\\" + handler;
        if (IsBracedName(handler)) {
            if (run.classReferenceBroken(handler)) {
                run.add(kClasses, handlerPath, "", "", run.message(11045, handler), DeleteKey,
                        bracedGroup);
            }
            continue;
        }
        auto key = ScanRun::openBelow(*list, handler);
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

void CheckProgId(ScanRun& run, const ClassesView& view, const std::string& progId) {
    const std::string progPath = view.base + "\\" + progId;
    auto progKey = ScanRun::openBelow(view.root, progId);
    if (!progKey) return;
    CheckClassReference(run, *progKey, progPath);

    if (auto icon = ScanRun::openBelow(*progKey, "DefaultIcon")) {
        const std::string value = ScanRun::defaultValue(*icon);
        if (!value.empty() && !run.commandTargetOk(value)) {
            run.add(kClasses, progPath + "\\DefaultIcon", "", value, run.message(11046, value),
                    DeleteKey, kFileTypeGroup);
        }
    }
    CheckVerbs(run, *progKey, progPath);
    if (run.stopped()) return;
    CheckHandlers(run, *progKey, progPath, "ContextMenuHandlers", kFileTypeGroup);
    if (run.stopped()) return;
    CheckHandlers(run, *progKey, progPath, "PropertySheetHandlers", kOtherGroup);
}

void CheckFileTypesIn(ScanRun& run, const ClassesView& view, double offset, double share) {
    std::vector<std::string> names = view.root.subKeyNames();
    std::stable_sort(names.begin(), names.end(), text::ILess{});

    std::vector<Association> associations;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) break;
        run.progress(i, names.size(), share / 2, offset, names[i]);
        if (names[i].starts_with('.')) {
            CheckExtension(run, view, names[i], associations);
        } else if (!view.shared) {
            // The 32-bit view also holds the containers of 32-bit COM (CLSID, Interface, Media
            // Type...), empty on a 64-bit Wine without its 32-bit half: only its file types are
            // examined.
            CheckRootClass(run, view, names[i]);
        }
    }

    if (!view.shared) associations.insert(associations.begin(), Association{"(All files)", "*"});
    // Several extensions often share one ProgID; it is examined once.
    std::unordered_set<std::string, text::IHash, text::IEqual> examined;
    for (std::size_t i = 0; i < associations.size(); ++i) {
        if (run.stopped()) break;
        const std::string& progId = associations[i].progId;
        run.progress(i, associations.size(), share / 2, offset + share / 2, progId);
        if (!examined.insert(progId).second) continue;
        CheckProgId(run, view, progId);
    }
}

}  // namespace

void CheckFileTypes(ScanRun& run) {
    auto root = run.open(kClasses, "");
    if (!root) {
        run.endStep();
        return;
    }
    CheckFileTypesIn(run, ClassesView{*root, ""}, 0, 90);
    if (auto view32 = ScanRun::openBelow(*root, "Wow6432Node"); view32 && !run.stopped()) {
        CheckFileTypesIn(run, ClassesView{*view32, "\\Wow6432Node", root.get()}, 90, 10);
    }
    // Shell extensions register for folders, drives and every file-system object as often as
    // for file types; no extension leads to these classes, so their handler lists are examined
    // on their own.
    for (const char* shellClass :
         {"AllFilesystemObjects", "Directory", "Directory\\Background", "Drive", "Folder"}) {
        if (run.stopped()) break;
        auto classKey = ScanRun::openBelow(*root, shellClass);
        if (!classKey) continue;
        const std::string classPath = "\\" + std::string(shellClass);
        for (const char* list :
             {"ContextMenuHandlers", "PropertySheetHandlers", "DragDropHandlers"}) {
            CheckHandlers(run, *classKey, classPath, list, kOtherGroup);
        }
    }
    run.endStep();
}

}  // namespace quorvel::registry
