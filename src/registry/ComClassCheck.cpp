#include <cctype>
#include <string>

#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

using platform::RootKey;
constexpr RootKey kClasses = RootKey::ClassesRoot;

bool IsLocaleNumber(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// One class of a class list: "\CLSID", or "\Wow6432Node\CLSID", the classes 32-bit programs
// see. Only the first marks a class broken for the references: the other classes of the root are
// shared by both views, and a class may be broken in one view and sound in the other.
void CheckClass(ScanRun& run, const platform::RegistryKey& list, const std::string& clsid,
                std::string_view listPath) {
    const std::string classPath = std::string(listPath) + "\\" + clsid;
    const bool marks = listPath == "\\CLSID";
    // Keys are opened below their parent: one name lookup each instead of the whole path's.
    auto classKey = ScanRun::openBelow(list, clsid);
    if (!classKey) return;

    if (auto icon = ScanRun::openBelow(*classKey, "DefaultIcon")) {
        const std::string iconPath = classPath + "\\DefaultIcon";
        const std::string value = ScanRun::defaultValue(*icon);
        if (value.empty()) {
            run.add(kClasses, iconPath, "", "", run.message(11044), DeleteKey);
        } else if (!run.serverPathExists(value)) {
            run.add(kClasses, iconPath, "", value, run.message(11046, value), DeleteKey);
        }
    }

    struct Server {
        const char* name;
        int message;
    };
    for (const Server server : {Server{"InprocServer", 11050}, Server{"InprocServer32", 11050},
                                Server{"LocalServer", 11051}, Server{"LocalServer32", 11051}}) {
        auto key = ScanRun::openBelow(*classKey, server.name);
        if (!key) continue;
        const std::string value = ScanRun::defaultValue(*key);
        if (!value.empty()) {
            if (!run.serverPathExists(value)) {
                run.add(kClasses, classPath, "", value, run.message(server.message, value),
                        DeleteKey);
                if (marks) run.markBroken(clsid);
            }
        } else if (key->info().subKeyCount == 0 && ScanRun::valueNameCount(*key) == 0) {
            run.add(kClasses, classPath, "", "", run.message(11044), DeleteKey);
            if (marks) run.markBroken(clsid);
        }
    }
}

// A HELPDIR or win32 key counts as empty with an empty default, no subkeys and at most one
// value name.
bool EmptyLibraryKey(const platform::RegistryKey& key) {
    return key.info().subKeyCount == 0 && ScanRun::valueNameCount(key) < 2;
}

void CheckTypeLibrary(ScanRun& run, const platform::RegistryKey& list, const std::string& typeLib) {
    const std::string libPath = "\\Typelib\\" + typeLib;
    auto lib = ScanRun::openBelow(list, typeLib);
    if (!lib) return;
    for (const auto& version : lib->subKeyNames()) {
        if (run.stopped()) return;
        auto versionKey = ScanRun::openBelow(*lib, version);
        if (!versionKey) continue;
        const std::string versionPath = libPath + "\\" + version;

        if (auto help = ScanRun::openBelow(*versionKey, "HELPDIR")) {
            const std::string helpPath = versionPath + "\\HELPDIR";
            const std::string value = ScanRun::defaultValue(*help);
            if (!value.empty()) {
                if (!run.serverPathExists(value)) {
                    run.add(kClasses, helpPath, "", "", run.message(11053, value), DeleteKey);
                }
            } else if (EmptyLibraryKey(*help)) {
                run.add(kClasses, helpPath, "", "", run.message(11044), DeleteKey);
            }
        }

        for (const auto& locale : versionKey->subKeyNames()) {
            if (!IsLocaleNumber(locale)) continue;
            auto win32 = ScanRun::openBelow(*versionKey, locale + "\\win32");
            if (!win32) continue;
            const std::string value = ScanRun::defaultValue(*win32);
            if (!value.empty()) {
                if (!run.serverPathExists(value)) {
                    run.add(kClasses, libPath, "", value, run.message(11055, value), DeleteKey);
                    run.markBroken(typeLib);
                }
            } else if (EmptyLibraryKey(*win32)) {
                run.add(kClasses, libPath, "", "",
                        run.message(11054, versionPath + "\\" + locale + "\\win32"), DeleteKey);
                run.markBroken(typeLib);
            }
        }
    }
}

void CheckInterface(ScanRun& run, const platform::RegistryKey& list, const std::string& iid) {
    const std::string interfacePath = "\\Interface\\" + iid;
    auto interfaceKey = ScanRun::openBelow(list, iid);
    if (!interfaceKey) return;
    if (auto typeLibKey = ScanRun::openBelow(*interfaceKey, "TypeLib")) {
        const std::string typeLib = ScanRun::defaultValue(*typeLibKey);
        if (!typeLib.empty() && run.typeLibReferenceBroken(typeLib)) {
            run.add(kClasses, interfacePath, "", typeLib, run.message(11052, typeLib), DeleteKey);
        }
    }
    for (const char* proxy : {"ProxyStubClsid", "ProxyStubClsid32"}) {
        auto key = ScanRun::openBelow(*interfaceKey, proxy);
        if (!key) continue;
        const std::string clsid = ScanRun::defaultValue(*key);
        if (!clsid.empty() && run.classReferenceBroken(clsid)) {
            run.add(kClasses, interfacePath + "\\" + proxy, "", clsid, run.message(11045, clsid),
                    DeleteKey);
        }
    }
}

// Runs check over every subkey of listPath, reporting "<label>\<name>" within its third of the
// step.
template <class Check>
void ForEachSubkey(ScanRun& run, std::string_view listPath, std::string_view label, double offset,
                   Check check, double share = 33) {
    auto list = run.open(kClasses, listPath);
    if (!list) return;
    const auto names = list->subKeyNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (run.stopped()) return;
        run.progress(i, names.size(), share, offset, std::string(label) + "\\" + names[i]);
        check(run, *list, names[i]);
    }
}

}  // namespace

void CheckComClasses(ScanRun& run) {
    for (const std::string_view list : {"\\CLSID", "\\Wow6432Node\\CLSID"}) {
        if (run.stopped()) break;
        const double offset = list == "\\CLSID" ? 0 : 25;
        ForEachSubkey(
            run, list, list.substr(1), offset,
            [list](ScanRun& r, const platform::RegistryKey& l, const std::string& clsid) {
                CheckClass(r, l, clsid, list);
            },
            list == "\\CLSID" ? 25 : 8);
    }
    if (!run.stopped()) ForEachSubkey(run, "\\Typelib", "Typelib", 33, CheckTypeLibrary);
    if (!run.stopped()) ForEachSubkey(run, "\\Interface", "Interface", 66, CheckInterface);
    run.endStep();
}

}  // namespace quorvel::registry
