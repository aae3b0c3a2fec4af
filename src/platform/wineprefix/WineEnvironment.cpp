#include "platform/wineprefix/WineEnvironment.h"

#include <array>

#include "platform/text/PathSeparators.h"
#include "platform/wineprefix/WineFileSystem.h"
#include "platform/wineprefix/WinePath.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr std::string_view kCurrentVersionNt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kProfileList =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kMachineEnvironment =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The SID Wine gives the prefix's user.
constexpr std::string_view kWineUserSid = "S-1-5-21-0-0-0-1000";

RegistryKeyPtr openKey(Registry& registry, RootKey root, std::string_view path) {
    auto key = registry.openKey(root, path);
    if (!key) return nullptr;
    return std::move(key).value();
}

std::optional<std::string> stringValue(const RegistryKey* key, std::string_view name) {
    if (!key) return std::nullopt;
    auto v = key->value(name);
    if (!v) return std::nullopt;
    return v->asString();
}

struct NamedVersion {
    std::string_view name;
    OsVersion version;
};

// The versions of Wine's version table (dlls/ntdll/unix/version.c).
const std::array<NamedVersion, 17> kWineVersions{{
    {"win11", {10, 0, 22000, 2, ""}},
    {"win10", {10, 0, 19043, 2, ""}},
    {"win81", {6, 3, 9600, 2, ""}},
    {"win8", {6, 2, 9200, 2, ""}},
    {"win2008r2", {6, 1, 7601, 2, "Service Pack 1"}},
    {"win7", {6, 1, 7601, 2, "Service Pack 1"}},
    {"win2008", {6, 0, 6002, 2, "Service Pack 2"}},
    {"vista", {6, 0, 6002, 2, "Service Pack 2"}},
    {"win2003", {5, 2, 3790, 2, "Service Pack 2"}},
    {"winxp64", {5, 2, 3790, 2, "Service Pack 2"}},
    {"winxp", {5, 1, 2600, 2, "Service Pack 3"}},
    {"win2k", {5, 0, 2195, 2, "Service Pack 4"}},
    {"nt40", {4, 0, 1381, 2, "Service Pack 6a"}},
    {"nt351", {3, 51, 1057, 2, "Service Pack 5"}},
    {"winme", {4, 90, 3000, 1, " "}},
    {"win98", {4, 10, 2222, 1, " A "}},
    {"win95", {4, 0, 950, 1, ""}},
}};

std::uint32_t parseNumber(std::string_view s, std::size_t& pos) {
    std::uint32_t n = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && n < 100000000)
        n = n * 10 + static_cast<std::uint32_t>(s[pos++] - '0');
    return n;
}

std::string withoutTrailingSeparators(std::string_view s) {
    return std::string(text::withoutTrailingBackslash(s));
}

}  // namespace

std::optional<OsVersion> wineVersionByName(std::string_view name) {
    for (const auto& v : kWineVersions)
        if (text::iequals(v.name, name)) return v.version;
    return std::nullopt;
}

WineEnvironment::WineEnvironment(Registry& registry, const WineFileSystem& fileSystem)
    : fileSystem_(fileSystem) {
    loadVariables(registry);
    loadVersion(registry);
    loadDriveTypes(registry);
}

void WineEnvironment::set(std::string_view name, std::string value) {
    auto it = variables_.find(name);
    if (it != variables_.end()) {
        it->second = std::move(value);
    } else {
        variables_.emplace(std::string(name), std::move(value));
    }
}

std::string WineEnvironment::expand(std::string_view text) const {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        if (open == std::string_view::npos) break;
        const auto close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        if (auto it = variables_.find(name); !name.empty() && it != variables_.end()) {
            out += it->second;
            pos = close + 1;
        } else {
            // Not a variable: keep the first '%' and look again from the second.
            out += '%';
            pos = open + 1;
            if (name.empty()) {
                out += '%';
                pos = close + 1;
            }
        }
    }
    out.append(text.substr(std::min(pos, text.size())));
    return out;
}

void WineEnvironment::loadVariables(Registry& registry) {
    const auto nt = openKey(registry, RootKey::LocalMachine, kCurrentVersionNt);
    windowsDirectory_ =
        withoutTrailingSeparators(stringValue(nt.get(), "SystemRoot").value_or("C:\\windows"));
    if (windowsDirectory_.size() < 2 || windowsDirectory_[1] != ':')
        windowsDirectory_ = "C:\\windows";
    systemDirectory_ = windowsDirectory_ + "\\system32";
    set("SystemRoot", windowsDirectory_);
    set("windir", windowsDirectory_);
    set("SystemDrive", windowsDirectory_.substr(0, 2));

    if (auto cv = openKey(registry, RootKey::LocalMachine, kCurrentVersion)) {
        const auto copy = [&](std::string_view value, std::string_view var) {
            if (auto s = stringValue(cv.get(), value)) set(var, expand(*s));
        };
        copy("ProgramFilesDir", "ProgramFiles");
        copy("ProgramFilesDir", "ProgramW6432");
        copy("ProgramFilesDir (x86)", "ProgramFiles(x86)");
        copy("CommonFilesDir", "CommonProgramFiles");
        copy("CommonFilesDir", "CommonProgramW6432");
        copy("CommonFilesDir (x86)", "CommonProgramFiles(x86)");
    }
    if (!variable("ProgramFiles"))
        set("ProgramFiles", windowsDirectory_.substr(0, 2) + "\\Program Files");
    if (!variable("CommonProgramFiles"))
        set("CommonProgramFiles", *variable("ProgramFiles") + "\\Common Files");

    if (auto name = openKey(registry, RootKey::LocalMachine,
                            "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName")) {
        if (auto s = stringValue(name.get(), "ComputerName")) set("COMPUTERNAME", *s);
    }

    // Profiles: the all-users folders and the user's own profile.
    if (auto profiles = openKey(registry, RootKey::LocalMachine, kProfileList)) {
        if (auto s = stringValue(profiles.get(), "ProgramData")) {
            set("ALLUSERSPROFILE", expand(*s));
            set("ProgramData", expand(*s));
        }
        if (auto s = stringValue(profiles.get(), "Public")) set("PUBLIC", expand(*s));
        // Wine's user SID first, else the first user profile listed.
        std::optional<std::string> image;
        if (auto own = profiles->openSubKey(kWineUserSid))
            image = stringValue(own->get(), "ProfileImagePath");
        if (!image) {
            for (const auto& sid : profiles->subKeyNames()) {
                if (!text::istartsWith(sid, "S-1-5-21-")) continue;
                if (auto sub = profiles->openSubKey(sid)) {
                    image = stringValue(sub->get(), "ProfileImagePath");
                    if (image) break;
                }
            }
        }
        if (image) set("USERPROFILE", withoutTrailingSeparators(expand(*image)));
    }

    // The user's application-data folders as the shell folders name them.
    {
        const auto user = openKey(registry, RootKey::CurrentUser, kUserShellFolders);
        const auto plain = openKey(registry, RootKey::CurrentUser, kShellFolders);
        const auto folder = [&](std::string_view value) -> std::optional<std::string> {
            if (auto s = stringValue(user.get(), value)) return expand(*s);
            return stringValue(plain.get(), value);
        };
        if (auto s = folder("AppData")) set("APPDATA", *s);
        if (auto s = folder("Local AppData")) set("LOCALAPPDATA", *s);
    }

    // What the logon sets before the user's keys are read (they may refer to it).
    if (auto profile = variable("USERPROFILE"); profile && profile->size() >= 2) {
        if (!variable("HOMEDRIVE")) set("HOMEDRIVE", profile->substr(0, 2));
        if (!variable("HOMEPATH")) set("HOMEPATH", profile->size() > 2 ? profile->substr(2) : "\\");
        if (!variable("APPDATA")) set("APPDATA", *profile + "\\AppData\\Roaming");
        if (!variable("LOCALAPPDATA")) set("LOCALAPPDATA", *profile + "\\AppData\\Local");
        if (!variable("USERNAME")) {
            const auto parsed = WinePath::parse(*profile);
            if (parsed && !parsed->isRoot()) set("USERNAME", parsed->leaf());
        }
    }
    // The registry's environment keys, machine first, then the user's.
    const auto applyKey = [&](RootKey root, std::string_view path, bool appendPath) {
        const auto key = openKey(registry, root, path);
        if (!key) return;
        const auto values = key->values();
        for (const bool expandable : {false, true}) {
            for (const auto& v : values) {
                if (v.name.empty() || (v.value.type == regtype::ExpandSz) != expandable) continue;
                auto s = v.value.asString();
                if (!s) continue;
                std::string value = expandable ? expand(*s) : *s;
                if (appendPath && text::iequals(v.name, "Path")) {
                    if (auto existing = variable("Path"); existing && !existing->empty())
                        value = *existing + ";" + value;
                }
                set(v.name, std::move(value));
            }
        }
    };
    applyKey(RootKey::LocalMachine, kMachineEnvironment, false);
    applyKey(RootKey::CurrentUser, "Environment", true);
    applyKey(RootKey::CurrentUser, "Volatile Environment", false);

    if (!variable("TEMP")) set("TEMP", windowsDirectory_ + "\\temp");
    if (!variable("TMP")) set("TMP", *variable("TEMP"));
    if (!variable("ALLUSERSPROFILE"))
        set("ALLUSERSPROFILE", windowsDirectory_.substr(0, 2) + "\\ProgramData");
    userName_ = variable("USERNAME").value_or("");
}

void WineEnvironment::loadVersion(Registry& registry) {
    for (const RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
        const auto wine = openKey(registry, root, "Software\\Wine");
        if (auto name = stringValue(wine.get(), "Version")) {
            if (auto v = wineVersionByName(*name)) {
                version_ = *v;
                return;
            }
        }
    }
    version_ = *wineVersionByName("win7");  // what the registry says, when it says nothing
    const auto nt = openKey(registry, RootKey::LocalMachine, kCurrentVersionNt);
    if (!nt) return;
    const auto major = nt->value("CurrentMajorVersionNumber");
    if (major && major->asDword()) {
        version_.major = *major->asDword();
        const auto minor = nt->value("CurrentMinorVersionNumber");
        version_.minor = minor && minor->asDword() ? *minor->asDword() : 0;
    } else if (auto text = stringValue(nt.get(), "CurrentVersion")) {
        // "major.minor"; text that is not a version leaves the default in place.
        std::size_t pos = 0;
        const auto major = parseNumber(*text, pos);
        if (pos > 0 && pos + 1 < text->size() && (*text)[pos] == '.') {
            const std::size_t minorStart = ++pos;
            const auto minor = parseNumber(*text, pos);
            if (pos > minorStart) {
                version_.major = major;
                version_.minor = minor;
            }
        }
    }
    if (auto build = stringValue(nt.get(), "CurrentBuildNumber")) {
        std::size_t pos = 0;
        const auto number = parseNumber(*build, pos);
        if (pos > 0) version_.build = number;
    }
    version_.servicePack = stringValue(nt.get(), "CSDVersion").value_or("");
    version_.platformId = 2;
}

void WineEnvironment::loadDriveTypes(Registry& registry) {
    const auto drives = openKey(registry, RootKey::LocalMachine, "Software\\Wine\\Drives");
    if (!drives) return;
    for (const auto& v : drives->values()) {
        if (v.name.size() != 2 || v.name[1] != ':') continue;
        const char letter = text::asciiUpper(v.name[0]);
        if (letter < 'A' || letter > 'Z') continue;
        const auto type = v.value.asString();
        if (!type) continue;
        if (text::iequals(*type, "hd"))
            driveTypes_[letter] = DriveType::Fixed;
        else if (text::iequals(*type, "network"))
            driveTypes_[letter] = DriveType::Remote;
        else if (text::iequals(*type, "floppy"))
            driveTypes_[letter] = DriveType::Removable;
        else if (text::iequals(*type, "cdrom"))
            driveTypes_[letter] = DriveType::CdRom;
        else if (text::iequals(*type, "ramdisk"))
            driveTypes_[letter] = DriveType::RamDisk;
    }
}

std::optional<std::string> WineEnvironment::variable(std::string_view name) const {
    if (auto it = variables_.find(name); it != variables_.end()) return it->second;
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> WineEnvironment::variables() const {
    return {variables_.begin(), variables_.end()};
}

std::vector<std::string> WineEnvironment::logicalDrives() const {
    std::vector<std::string> roots;
    for (const char letter : fileSystem_.driveLetters())
        roots.push_back(std::string{letter, ':', '\\'});
    return roots;
}

DriveType WineEnvironment::driveType(std::string_view root) const {
    if (root.size() < 2 || root[1] != ':') return DriveType::NoRootDir;
    const char letter = text::asciiUpper(root[0]);
    if (letter < 'A' || letter > 'Z' || root.find_first_not_of("\\/", 2) != std::string_view::npos)
        return DriveType::NoRootDir;
    if (!fileSystem_.driveRoot(letter)) return DriveType::NoRootDir;
    if (auto it = driveTypes_.find(letter); it != driveTypes_.end()) return it->second;
    return DriveType::Fixed;
}

std::string WineEnvironment::longPathName(std::string_view path) const {
    return fileSystem_.longPathName(path).value_or(std::string(path));
}

}  // namespace quorvel::platform::wineprefix
