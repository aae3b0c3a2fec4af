#include "core/paths/CommandTarget.h"

#include <optional>

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
    Search(const Context& context, bool tryExe, const FolderIndex* folders)
        : context_(context), tryExe_(tryExe), folders_(folders) {}

    // The long form when the name is written with 8.3 components.
    std::string longForm(std::string_view name) const {
        if (name.find('~') == std::string_view::npos) return std::string(name);
        return LongPathName(context_.machine.environment(), name);
    }

    bool exists(std::string_view path, bool filesOnly) const {
        return PathExists(context_, path, filesOnly, folders_);
    }

    // base, then base + ".exe" when asked to; the existing one, or nullopt.
    std::optional<std::string> plainOrExe(const std::string& base, bool filesOnly) const {
        if (exists(base, filesOnly)) return base;
        if (tryExe_ && exists(base + std::string(kExe), filesOnly)) return base + std::string(kExe);
        return std::nullopt;
    }

    // The same with 8.3 names expanded; the long-name rule looks at name, not at what is tried.
    std::optional<std::string> longPlainOrExe(std::string_view name, bool filesOnly) const {
        if (name.find('~') == std::string_view::npos)
            return plainOrExe(std::string(name), filesOnly);
        const std::string plain(name);
        if (const std::string l = longForm(plain); exists(l, filesOnly)) return l;
        if (!tryExe_) return std::nullopt;
        if (const std::string l = longForm(plain + std::string(kExe)); exists(l, filesOnly))
            return l;
        return std::nullopt;
    }

    const std::vector<std::string>& entries() const { return context_.globals.SearchPaths; }

private:
    const Context& context_;
    bool tryExe_;
    const FolderIndex* folders_;
};

// Cuts before the last space; false when there is none. Trailing blanks go too, as Windows
// ignores them in file names.
bool cutAtLastSpace(std::string& candidate) {
    const auto space = candidate.rfind(' ');
    if (space == std::string::npos) return false;
    candidate = std::string(trim(std::string_view(candidate).substr(0, space)));
    return true;
}

std::optional<std::string> quotedTarget(const Search& search, std::string_view name) {
    if (!hasDrive(name)) {
        for (const auto& entry : search.entries()) {
            if (entry.empty()) continue;  // never look in the current drive's root
            const std::string base = WithTrailingBackslash(entry) + std::string(name);
            // The program is named as the command writes it: the search path finds it.
            if (search.plainOrExe(base, false)) return std::string(name);
        }
        return std::nullopt;
    }
    return search.longPlainOrExe(name, false);
}

std::optional<std::string> unquotedTarget(const Search& search, std::string_view text) {
    if (hasDrive(text)) {
        std::string name(text);
        if (auto found = search.longPlainOrExe(name, false)) return found;
        while (cutAtLastSpace(name)) {
            if (name.empty()) break;
            if (auto found = search.longPlainOrExe(name, true)) return found;
        }
        return std::nullopt;
    }
    for (const auto& entry : search.entries()) {
        if (entry.empty()) continue;
        const std::string folder = WithTrailingBackslash(entry);
        std::string candidate(text);
        if (auto found = search.plainOrExe(folder + candidate, false)) return found;
        while (cutAtLastSpace(candidate)) {
            if (candidate.empty()) break;
            if (auto found = search.plainOrExe(folder + candidate, true)) return found;
        }
    }
    return std::nullopt;
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

bool PathExists(const Context& context, std::string_view path, bool filesOnly,
                const FolderIndex* folders) {
    const std::string drive = ExtractFileDrive(path);
    if (!drive.empty()) {
        const std::string needle = ";" + platform::text::toUpperAscii(drive);
        if (context.globals.FixedDrives.find(needle) == std::string::npos) return true;
    }
    const auto& fs = context.machine.fileSystem();
    const auto found = [&](std::string_view p) {
        if (folders) return folders->exists(p, filesOnly);
        return filesOnly ? fs.isFile(p) : fs.exists(p);
    };
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

namespace {

// The program of a command line; nameless is set when nothing is left of the name once the
// arguments are cut off.
std::optional<std::string> resolve(const Context& context, std::string_view commandLine,
                                   CommandSearch options, bool& nameless) {
    const Search search(context, options.tryExe, options.folders);
    nameless = false;
    std::string_view text = trim(commandLine);
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        if (const auto close = text.find('"'); close != std::string_view::npos)
            text = text.substr(0, close);
        return quotedTarget(search, text);
    }
    text = cutBefore(text, '"');
    text = cutBefore(text, '/');
    if (options.cutAtComma) text = cutBefore(text, ',');
    if (text.empty()) {
        nameless = true;
        return std::nullopt;
    }
    return unquotedTarget(search, text);
}

}  // namespace

std::optional<std::string> FindCommandTarget(const Context& context, std::string_view commandLine,
                                             CommandSearch options) {
    bool nameless = false;
    return resolve(context, commandLine, options, nameless);
}

// A command that names no program (only switches) is not reported as missing one.
bool CommandTargetExists(const Context& context, std::string_view commandLine, bool cutAtComma) {
    bool nameless = false;
    return resolve(context, commandLine, {cutAtComma, true}, nameless).has_value() || nameless;
}

}  // namespace quorvel::core
