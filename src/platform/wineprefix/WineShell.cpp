#include "platform/wineprefix/WineShell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/pe/PeVersionReader.h"
#include "platform/shelllink/ShellLinkFormat.h"

extern char** environ;

namespace quorvel::platform::wineprefix {
namespace fs = std::filesystem;
namespace {

// Nothing larger is taken for a shortcut; a bigger file named .lnk is not read into memory.
constexpr std::uint64_t kMaxLinkSize = 4u << 20;
// Version resources are read from images up to this size.
constexpr std::uint64_t kMaxImageSize = 512u << 20;

// Extensions whose files carry their own icon rather than one per type.
bool hasOwnIcon(std::string_view extension) {
    for (const char* e : {".exe", ".ico", ".lnk", ".scr", ".cur", ".ani", ".pif"}) {
        if (text::iequals(extension, e)) return true;
    }
    return false;
}

std::string_view lastComponent(std::string_view path) {
    const auto sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

// "C:\", "c:" -> 'C'; nullopt for anything else.
std::optional<char> driveLetterOfRoot(std::string_view root) {
    if (root.size() < 2 || root.size() > 3 || root[1] != ':') return std::nullopt;
    if (root.size() == 3 && root[2] != '\\' && root[2] != '/') return std::nullopt;
    const char letter = text::asciiUpper(root[0]);
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return letter;
}

// The pieces of a parameter text, split at blanks outside double quotes (quotes dropped).
std::vector<std::string> splitParameters(std::string_view params) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, any = false;
    for (const char c : params) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) out.push_back(std::move(current));
            current.clear();
            any = false;
        } else {
            current.push_back(c);
            any = true;
        }
    }
    if (any) out.push_back(std::move(current));
    return out;
}

std::optional<std::string> findProgram(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        return ::access(name.c_str(), X_OK) == 0 ? std::optional(name) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    if (!path) return std::nullopt;
    std::string_view rest(path);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const auto dir = rest.substr(0, colon);
        if (!dir.empty()) {
            const std::string candidate = std::string(dir) + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

}  // namespace

WineShell::WineShell(fs::path prefix, WineFileSystem& fileSystem, Registry& registry,
                     const WineEnvironment& environment, WineShellOptions options)
    : prefix_(std::move(prefix)),
      fileSystem_(fileSystem),
      registry_(registry),
      environment_(environment),
      options_(std::move(options)) {}

// --- Shell links -------------------------------------------------------------------------------

Result<ShellLink> WineShell::readLink(std::string_view path) const {
    const auto info = fileSystem_.stat(path);
    if (!info) {
        return Status(ErrorCode::FileNotFound,
                      "The shortcut \"" + std::string(path) + "\" does not exist.");
    }
    if (info->isDirectory()) {
        return Status(ErrorCode::AccessDenied, "\"" + std::string(path) + "\" is a folder.");
    }
    if (info->size > kMaxLinkSize) {
        return Status(ErrorCode::BadFormat,
                      "\"" + std::string(path) + "\" is too large to be a shortcut.");
    }
    auto bytes = fileSystem_.readFile(path);
    if (!bytes) return bytes.status();
    auto link = shelllink::parse(*bytes);
    if (!link) {
        return Status(link.status().code(),
                      "\"" + std::string(path) + "\": " + link.status().message());
    }
    return link;
}

Status WineShell::writeLink(std::string_view path, const ShellLink& link) {
    // Saving replaces the file; keep its hidden and system marks, and refuse a read-only one
    // as Windows does.
    const auto before = fileSystem_.attributes(path);
    if (before != fileattr::Invalid && (before & fileattr::ReadOnly)) {
        return Status(ErrorCode::AccessDenied,
                      "The shortcut \"" + std::string(path) + "\" is read-only.");
    }
    if (before != fileattr::Invalid && (before & fileattr::Directory)) {
        return Status(ErrorCode::AccessDenied, "\"" + std::string(path) + "\" is a folder.");
    }
    auto status = fileSystem_.writeFile(path, shelllink::serialize(link), WriteMode::Durable);
    if (!status) return status;
    constexpr auto kKept = fileattr::Hidden | fileattr::System;
    if (before != fileattr::Invalid && (before & kKept)) {
        const auto now = fileSystem_.attributes(path);
        if (now != fileattr::Invalid && (now & kKept) != (before & kKept)) {
            return fileSystem_.setAttributes(path, (now & ~kKept) | (before & kKept));
        }
    }
    return Status::ok();
}

// --- Version resources -------------------------------------------------------------------------

std::optional<VersionInfo> WineShell::versionInfo(std::string_view path) const {
    const auto info = fileSystem_.stat(path);
    if (!info || info->isDirectory() || info->size > kMaxImageSize) return std::nullopt;
    const auto bytes = fileSystem_.readFile(path);
    if (!bytes) return std::nullopt;
    return pe::readVersionInfo(*bytes);
}

// --- Recycle bin -------------------------------------------------------------------------------

std::optional<fs::path> WineShell::recycleBinFolder() const {
    if (options_.recycleBin) return options_.recycleBin;
    std::error_code ec;
    const auto own = prefix_ / kOwnRecycleBin;
    if (fs::is_directory(own, ec)) return own;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
        return fs::path(data) / "Trash";
    }
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        return fs::path(home) / ".local" / "share" / "Trash";
    }
    return std::nullopt;
}

std::optional<char> WineShell::driveOfOriginal(const std::string& originalPath) const {
    if (originalPath.size() >= 3 && originalPath[1] == ':' &&
        (originalPath[2] == '\\' || originalPath[2] == '/')) {
        return driveLetterOfRoot(originalPath.substr(0, 3));
    }
    if (originalPath.empty() || originalPath[0] != '/') return std::nullopt;
    const auto windows = fileSystem_.windowsPath(originalPath);
    if (!windows || windows->size() < 2) return std::nullopt;
    return text::asciiUpper((*windows)[0]);
}

bool WineShell::isSharedTrash(const fs::path& folder) const {
    return folder != options_.recycleBin && folder != prefix_ / kOwnRecycleBin;
}

bool WineShell::cameFromPrefix(const std::string& originalPath) const {
    if (originalPath.empty() || originalPath[0] != '/') return false;
    std::error_code ec;
    const auto original = fs::weakly_canonical(fs::path(originalPath), ec);
    if (ec) return false;
    const auto prefix = fs::weakly_canonical(prefix_, ec);
    if (ec) return false;
    const auto rel = original.lexically_relative(prefix);
    return !rel.empty() && *rel.begin() != "..";
}

Result<std::vector<WineShellTrash::Item>> WineShell::binItems(std::string_view driveRoot) const {
    std::optional<char> drive;
    if (!driveRoot.empty()) {
        drive = driveLetterOfRoot(driveRoot);
        if (!drive) {
            return Status(ErrorCode::InvalidParameter,
                          "\"" + std::string(driveRoot) + "\" is not a drive root.");
        }
    }
    const auto folder = recycleBinFolder();
    if (!folder) {
        return Status(ErrorCode::PathNotFound,
                      "The recycle bin cannot be found: no home folder is set.");
    }
    auto items = WineShellTrash(*folder).items();
    if (isSharedTrash(*folder)) {
        std::erase_if(items, [&](const WineShellTrash::Item& item) {
            return !cameFromPrefix(item.originalPath);
        });
    }
    if (drive) {
        std::erase_if(items, [&](const WineShellTrash::Item& item) {
            return driveOfOriginal(item.originalPath) != drive;
        });
    }
    return items;
}

Result<RecycleBinInfo> WineShell::recycleBinQuery(std::string_view driveRoot) const {
    auto items = binItems(driveRoot);
    if (!items) return items.status();
    RecycleBinInfo info;
    for (const auto& item : *items) {
        info.size += WineShellTrash::sizeOf(item.file);
        ++info.count;
    }
    return info;
}

Status WineShell::emptyRecycleBin(std::string_view driveRoot) {
    auto items = binItems(driveRoot);
    if (!items) return items.status();
    Status first;
    std::size_t failed = 0;
    for (const auto& item : *items) {
        auto status = WineShellTrash::remove(item);
        if (!status && failed++ == 0) first = status;
    }
    if (driveRoot.empty()) {
        // The leftovers of a shared trash may be another owner's.
        const auto folder = recycleBinFolder();
        if (folder && !isSharedTrash(*folder)) WineShellTrash(*folder).removeLeftovers();
    }
    if (failed > 0) {
        return Status(
            first.code(),
            first.message() + (failed > 1 ? " (and " + std::to_string(failed - 1) + " more items)"
                                          : std::string{}));
    }
    return Status::ok();
}

// --- Icons -------------------------------------------------------------------------------------

int WineShell::smallIconIndex(std::string_view path) const {
    if (driveLetterOfRoot(path)) return iconindex::Drive;
    if (fileSystem_.isDirectory(path)) return iconindex::Folder;
    const auto name = lastComponent(path);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return iconindex::Document;
    const auto extension = name.substr(dot);
    const std::string key =
        hasOwnIcon(extension) ? std::string(path) : text::toLowerAscii(extension);

    std::lock_guard lock(iconMutex_);
    if (const auto it = iconIndices_.find(key); it != iconIndices_.end()) return it->second;
    const int index = iconindex::FirstType + static_cast<int>(iconSources_.size());
    iconIndices_.emplace(key, index);
    iconSources_.push_back(key);
    return index;
}

std::string WineShell::smallIconSource(int index) const {
    switch (index) {
        case iconindex::Document:
            return "document";
        case iconindex::Folder:
            return "folder";
        case iconindex::Drive:
            return "drive";
        default:
            break;
    }
    std::lock_guard lock(iconMutex_);
    if (index < iconindex::FirstType) return {};
    const auto slot = static_cast<std::size_t>(index - iconindex::FirstType);
    return slot < iconSources_.size() ? iconSources_[slot] : std::string{};
}

// --- Shell execute -----------------------------------------------------------------------------

Status WineShell::shellExecute(std::string_view verb, std::string_view file,
                               std::string_view params) {
    if (!verb.empty() && !text::iequals(verb, "open") && !text::iequals(verb, "explore")) {
        return Status(ErrorCode::InvalidParameter,
                      "The action \"" + std::string(verb) + "\" is not available on this machine.");
    }
    if (file.empty()) return Status(ErrorCode::InvalidParameter, "Nothing to open.");
    const bool absolute = (file.size() > 2 && file[1] == ':') || file.substr(0, 2) == "\\\\";
    if (absolute && !fileSystem_.exists(file)) {
        return Status(ErrorCode::FileNotFound, "\"" + std::string(file) + "\" does not exist.");
    }
    const auto wine = findProgram(options_.wineProgram);
    if (!wine) {
        return Status(ErrorCode::FileNotFound,
                      "Wine is not installed, so \"" + std::string(file) + "\" cannot be opened.");
    }

    std::vector<std::string> args{*wine, "start", std::string(file)};
    for (auto& p : splitParameters(params))
        args.push_back(std::move(p));
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "WINEPREFIX=", 11) != 0) env.emplace_back(*e);
    }
    env.push_back("WINEPREFIX=" + prefix_.string());
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, wine->c_str(), nullptr, nullptr, argv.data(), envp.data());
    if (rc != 0) {
        return Status(ErrorCode::FileNotFound,
                      "Wine could not be started: " + std::string(std::strerror(rc)) + ".");
    }
    // "start" returns once the program runs, so waiting here is short.
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0) {
        return Status(ErrorCode::FileNotFound,
                      "Wine could not open \"" + std::string(file) + "\".");
    }
    return Status::ok();
}

}  // namespace quorvel::platform::wineprefix
