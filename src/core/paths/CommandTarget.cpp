#include "core/paths/CommandTarget.h"

#include "core/environment/SystemPaths.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"

namespace quorvel::core {

namespace {

using platform::text::trim;

constexpr std::string_view kExe = ".exe";

std::string_view cutBefore(std::string_view s, char c) {
    const auto at = s.find(c);
    return at == std::string_view::npos ? s : trim(s.substr(0, at));
}

bool hasDrive(std::string_view name) {
    return name.size() >= 3 && name.substr(1, 2) == ":\\";
}

class Search {
public:
    explicit Search(const Context& context) : context_(context) {}

    // The long form when the name is written with 8.3 components.
    std::string longForm(std::string_view name) const {
        if (name.find('~') == std::string_view::npos) return std::string(name);
        return LongPathName(context_.machine.environment(), name);
    }

    bool exists(std::string_view path, bool filesOnly) const {
        return PathExists(context_, path, filesOnly);
    }

    // name, then name + ".exe"; the long-name rule looks at name, not at what is tried.
    bool nameOrExe(std::string_view name, bool filesOnly) const {
        const bool shortForm = name.find('~') != std::string_view::npos;
        const std::string plain(name);
        const std::string exe = plain + std::string(kExe);
        return exists(shortForm ? longForm(plain) : plain, filesOnly) ||
               exists(shortForm ? longForm(exe) : exe, filesOnly);
    }

    const std::vector<std::string>& entries() const { return context_.globals.SearchPaths; }

private:
    const Context& context_;
};

// Cuts before the last space; false when there is none. Trailing blanks go too, as Windows
// ignores them in file names.
bool cutAtLastSpace(std::string& candidate) {
    const auto space = candidate.rfind(' ');
    if (space == std::string::npos) return false;
    candidate = std::string(trim(std::string_view(candidate).substr(0, space)));
    return true;
}

bool quotedTargetExists(const Search& search, std::string_view name) {
    if (!hasDrive(name)) {
        for (const auto& entry : search.entries()) {
            if (entry.empty()) continue;  // never look in the current drive's root
            const std::string base = WithTrailingBackslash(entry) + std::string(name);
            if (search.exists(base, false) || search.exists(base + std::string(kExe), false))
                return true;
        }
        return false;
    }
    if (search.exists(search.longForm(name), false)) return true;
    return search.exists(search.longForm(std::string(name) + std::string(kExe)), false);
}

bool unquotedTargetExists(const Search& search, std::string_view text) {
    if (hasDrive(text)) {
        std::string name(text);
        if (search.nameOrExe(name, false)) return true;
        while (cutAtLastSpace(name)) {
            if (!name.empty() && search.nameOrExe(name, true)) return true;
        }
        return false;
    }
    for (const auto& entry : search.entries()) {
        if (entry.empty()) continue;
        const std::string folder = WithTrailingBackslash(entry);
        std::string candidate(text);
        if (search.exists(folder + candidate, false) ||
            search.exists(folder + candidate + std::string(kExe), false))
            return true;
        while (cutAtLastSpace(candidate)) {
            if (candidate.empty()) break;
            if (search.exists(folder + candidate, true) ||
                search.exists(folder + candidate + std::string(kExe), true))
                return true;
        }
    }
    return false;
}

}  // namespace

std::string ExtractFileDrive(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: up to the backslash after the share name.
        const auto server = path.find('\\', 2);
        if (server == std::string_view::npos) return std::string(path);
        const auto share = path.find('\\', server + 1);
        return std::string(path.substr(0, share));
    }
    return {};
}

bool PathExists(const Context& context, std::string_view path, bool filesOnly) {
    const std::string drive = ExtractFileDrive(path);
    if (!drive.empty()) {
        const std::string needle = ";" + platform::text::toUpperAscii(drive);
        if (context.globals.FixedDrives.find(needle) == std::string::npos) return true;
    }
    const auto& fs = context.machine.fileSystem();
    const auto found = [&](std::string_view p) { return filesOnly ? fs.isFile(p) : fs.exists(p); };
    if (found(path)) return true;
    // On 64-bit Windows a path counts when either view of the system folder holds it. The
    // machine's file system shows the native view; 32-bit programs registered with a
    // "system32" path have their files in SysWOW64, where redirection would have found them.
    if (!context.machine.environment().variable("ProgramFiles(x86)")) return false;
    const std::string& system = context.globals.SystemDir;
    if (system.empty() || context.globals.WinDir.empty() ||
        !platform::text::istartsWith(path, system))
        return false;
    return found(context.globals.WinDir + "SysWOW64\\" + std::string(path.substr(system.size())));
}

bool CommandTargetExists(const Context& context, std::string_view commandLine, bool cutAtComma) {
    const Search search(context);
    std::string_view text = trim(commandLine);
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        if (const auto close = text.find('"'); close != std::string_view::npos)
            text = text.substr(0, close);
        return quotedTargetExists(search, text);
    }
    text = cutBefore(text, '"');
    text = cutBefore(text, '/');
    if (cutAtComma) text = cutBefore(text, ',');
    return unquotedTargetExists(search, text);
}

}  // namespace quorvel::core
