#include "platform/wineprefix/WineFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/DosAttrib.h"
#include "platform/wineprefix/Wildcard.h"
#include "platform/wineprefix/WinePathShortName.h"

namespace quorvel::platform::wineprefix {
namespace {

// A file descriptor closed on destruction.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

Status failure(ErrorCode code, std::string_view what, std::string_view path, std::string_view why) {
    std::string m(what);
    m += " \"";
    m += path;
    m += "\": ";
    m += why;
    return {code, std::move(m)};
}

Status errnoFailure(int err, std::string_view what, std::string_view path) {
    ErrorCode code = ErrorCode::AccessDenied;
    switch (err) {
        case ENOENT:
            code = ErrorCode::FileNotFound;
            break;
        case ENOTDIR:
            code = ErrorCode::PathNotFound;
            break;
        case EEXIST:
            code = ErrorCode::AlreadyExists;
            break;
        case ENOTEMPTY:
            code = ErrorCode::DirNotEmpty;
            break;
        case EBUSY:
        case ETXTBSY:
        case EAGAIN:
            code = ErrorCode::SharingViolation;
            break;
        case EINVAL:
            code = ErrorCode::InvalidParameter;
            break;
        case ENOMEM:
            code = ErrorCode::NotEnoughMemory;
            break;
        default:
            break;
    }
    return failure(code, what, path, std::strerror(err));
}

Status notFound(std::string_view what, std::string_view path) {
    return failure(ErrorCode::FileNotFound, what, path, "the file does not exist");
}

Status pathNotFound(std::string_view what, std::string_view path) {
    return failure(ErrorCode::PathNotFound, what, path, "the folder does not exist");
}

FileTime fromTimestamp(const struct statx_timestamp& t) {
    return FileTime::fromUnix(t.tv_sec, t.tv_nsec);
}

bool isDotFileName(std::string_view name) {
    return name.size() > 1 && name[0] == '.' && name != "..";
}

std::string leafOf(const std::string& host) {
    const auto slash = host.rfind('/');
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

std::string parentOf(const std::string& host) {
    const auto slash = host.rfind('/');
    return slash == std::string::npos ? std::string(".") : host.substr(0, slash);
}

std::optional<std::string> readXattr(const std::string& host, bool follow) {
    char buf[256];
    const ssize_t n = follow ? ::getxattr(host.c_str(), kDosAttribXattr, buf, sizeof buf)
                             : ::lgetxattr(host.c_str(), kDosAttribXattr, buf, sizeof buf);
    if (n < 0) return std::nullopt;
    return std::string(buf, static_cast<std::size_t>(n));
}

Status writeAll(int fd, std::string_view data, std::string_view path) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoFailure(errno, "Cannot write", path);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return Status::ok();
}

void copyDosAttrib(const std::string& from, int toFd) {
    if (auto value = readXattr(from, true))
        ::fsetxattr(toFd, kDosAttribXattr, value->data(), value->size(), 0);
}

// Copies a regular file's contents, mode, times and DOS attributes.
Status copyHostFile(const std::string& from, const std::string& to, std::string_view what,
                    std::string_view path) {
    Fd in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!in.valid()) return errnoFailure(errno, what, path);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return errnoFailure(errno, what, path);
    if (!S_ISREG(st.st_mode))
        return failure(ErrorCode::AccessDenied, what, path, "not a regular file");
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                  st.st_mode & 07777));
    if (!out.valid()) return errnoFailure(errno, what, path);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoFailure(errno, what, path);
        }
        if (n == 0) break;
        if (auto s = writeAll(out.get(), std::string_view(buf, static_cast<std::size_t>(n)), path);
            !s)
            return s;
    }
    ::fchmod(out.get(), st.st_mode & 07777);
    copyDosAttrib(from, out.get());
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::close(out.release()) != 0) return errnoFailure(errno, what, path);
    return Status::ok();
}

}  // namespace

WineFileSystem::WineFileSystem(std::filesystem::path prefix) : prefix_(std::move(prefix)) {}

bool WineFileSystem::insidePrefix(const std::string& host, bool followLast) const {
    if (followLast) return resolvesInsidePrefix(host, true);
    const std::string folder = parentOf(host);
    struct stat before {};
    const bool known = ::stat(folder.c_str(), &before) == 0;
    if (known) {
        std::lock_guard lock(insideMutex_);
        const auto it = insideFolders_.find(folder);
        if (it != insideFolders_.end() && it->second == std::pair(before.st_dev, before.st_ino))
            return true;
    }
    if (!resolvesInsidePrefix(host, false)) return false;
    // Remembered only when the folder did not change while it was resolved.
    struct stat after {};
    if (known && ::stat(folder.c_str(), &after) == 0 && after.st_dev == before.st_dev &&
        after.st_ino == before.st_ino) {
        std::lock_guard lock(insideMutex_);
        if (insideFolders_.size() > 4096) insideFolders_.clear();
        insideFolders_[folder] = {before.st_dev, before.st_ino};
    }
    return true;
}

bool WineFileSystem::resolvesInsidePrefix(const std::string& host, bool followLast) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path real;
    {
        std::lock_guard lock(insideMutex_);
        if (!realPrefix_) {
            auto resolved = fs::canonical(prefix_, ec);
            if (ec) return false;
            realPrefix_ = std::move(resolved);
        }
        real = *realPrefix_;
    }
    fs::path at = followLast ? fs::path(host) : fs::path(parentOf(host));
    // A link at the place itself is followed to where it leads, also when that does not exist
    // yet (creating a file through a dangling link creates its target).
    for (int depth = 0; followLast && depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        const fs::path target = fs::read_symlink(at, ec);
        if (ec) return false;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(at, ec);
    if (ec) return false;
    const auto [end, rest] =
        std::mismatch(real.begin(), real.end(), resolved.begin(), resolved.end());
    return end == real.end();
}

Status WineFileSystem::leadsOut(std::string_view what, std::string_view path) {
    return failure(ErrorCode::AccessDenied, what, path,
                   "it lies outside the machine's folder (through a symbolic link or a drive "
                   "that maps elsewhere)");
}

bool WineFileSystem::staysInside(std::string_view path) const {
    auto parsed = WinePath::parse(path);
    if (!parsed) return false;
    // Folders still to be created below the nearest existing one cannot be links.
    for (;;) {
        if (const auto located = locate(*parsed)) return insidePrefix(located->host, true);
        if (parsed->isRoot()) return false;
        parsed = parsed->parent();
    }
}

std::optional<std::filesystem::path> WineFileSystem::driveRoot(char letter) const {
    letter = text::asciiLower(letter);
    if (letter < 'a' || letter > 'z') return std::nullopt;
    auto root = prefix_ / "dosdevices" / std::string{letter, ':'};
    struct stat st {};
    if (::lstat(root.c_str(), &st) != 0) return std::nullopt;
    return root;
}

std::vector<char> WineFileSystem::driveLetters() const {
    std::vector<char> letters;
    for (char c = 'a'; c <= 'z'; ++c)
        if (driveRoot(c)) letters.push_back(text::asciiUpper(c));
    return letters;
}

std::optional<std::string> WineFileSystem::findEntry(const std::string& dir,
                                                     const std::string& name) const {
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    struct stat st {};
    const std::string exact = dir + '/' + name;
    if (::lstat(exact.c_str(), &st) == 0) return name;
    if (errno != ENOENT) return std::nullopt;

    auto key = std::make_pair(dir, text::toLowerAscii(name));
    {
        std::lock_guard lock(cacheMutex_);
        if (auto it = nameCache_.find(key); it != nameCache_.end()) {
            if (::lstat((dir + '/' + it->second).c_str(), &st) == 0) return it->second;
            nameCache_.erase(it);
        }
    }
    DirPtr d(::opendir(dir.c_str()));
    if (!d) return std::nullopt;
    std::optional<std::string> best;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string_view entry(e->d_name);
        if (entry == "." || entry == ".." || !text::iequals(entry, name)) continue;
        if (!best || entry < *best) best = std::string(entry);  // deterministic among twins
    }
    if (best) {
        std::lock_guard lock(cacheMutex_);
        if (nameCache_.size() > 4096) nameCache_.clear();
        nameCache_[std::move(key)] = *best;
    }
    return best;
}

void WineFileSystem::forgetNames() const {
    std::lock_guard lock(cacheMutex_);
    nameCache_.clear();
}

std::optional<WineFileSystem::Located> WineFileSystem::locate(const WinePath& path) const {
    const char letter = text::asciiLower(path.drive);
    if (letter < 'a' || letter > 'z') return std::nullopt;
    std::string host = (prefix_ / "dosdevices" / std::string{letter, ':'}).string();
    // Most paths are written as they are stored (a walk hands back on-disk names): one lstat of
    // the whole path finds them, with the kernel checking that the drive and every folder on
    // the way exist. Anything else takes the component walk, which also finds names in
    // another case.
    if (!path.components.empty()) {
        std::string whole = host;
        for (const auto& component : path.components) {
            whole += '/';
            whole += component;
        }
        struct stat st {};
        if (::lstat(whole.c_str(), &st) == 0) return Located{std::move(whole), true, st};
    }
    if (!driveRoot(letter)) return std::nullopt;
    for (std::size_t i = 0; i < path.components.size(); ++i) {
        const bool last = i + 1 == path.components.size();
        const auto& component = path.components[i];
        auto entry = findEntry(host, component);
        if (!entry) {
            if (last) return Located{host + '/' + component, false, std::nullopt};
            return std::nullopt;
        }
        host += '/';
        host += *entry;
        if (!last) {
            struct stat st {};
            if (::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
        }
    }
    return Located{host, true, std::nullopt};
}

std::optional<WineFileSystem::Located> WineFileSystem::locate(std::string_view path) const {
    const auto parsed = WinePath::parse(path);
    if (!parsed) return std::nullopt;
    return locate(*parsed);
}

std::optional<std::string> WineFileSystem::hostPath(std::string_view windowsPath) const {
    auto located = locate(windowsPath);
    if (!located) return std::nullopt;
    return located->host;
}

std::optional<std::string> WineFileSystem::windowsPath(
    const std::filesystem::path& hostPath) const {
    std::error_code ec;
    const auto target = std::filesystem::weakly_canonical(hostPath, ec);
    if (ec) return std::nullopt;
    std::optional<std::string> best;
    std::size_t bestLength = 0;
    for (const char letter : driveLetters()) {
        const auto root = std::filesystem::weakly_canonical(*driveRoot(letter), ec);
        if (ec) continue;
        const std::string r = root.string(), t = target.string();
        const bool inside = t == r || (t.size() > r.size() && t.compare(0, r.size(), r) == 0 &&
                                       (t[r.size()] == '/' || r == "/"));
        if (!inside || (best && r.size() <= bestLength)) continue;
        std::string rest = t.substr(r.size());
        std::replace(rest.begin(), rest.end(), '/', '\\');
        if (rest.empty() || rest[0] != '\\') rest.insert(rest.begin(), '\\');
        best = std::string{letter, ':'} + rest;
        bestLength = r.size();
    }
    return best;
}

std::optional<FindData> WineFileSystem::describe(const std::string& host, std::string name,
                                                 bool isRoot, int folderFd) const {
    struct statx sx {};
    const int flags = isRoot ? 0 : AT_SYMLINK_NOFOLLOW;
    const bool relative = folderFd >= 0;
    if (::statx(relative ? folderFd : AT_FDCWD, relative ? name.c_str() : host.c_str(), flags,
                STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FindData d;
    d.name = std::move(name);
    if (S_ISLNK(sx.stx_mode)) {
        // The link itself: a reparse point; a folder when it points at one.
        struct stat target {};
        const bool toFolder = ::stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        d.attributes =
            fileattr::ReparsePoint | (toFolder ? fileattr::Directory : fileattr::Archive);
        if (isDotFileName(d.name)) d.attributes |= fileattr::Hidden;
    } else {
        const bool folder = S_ISDIR(sx.stx_mode);
        d.attributes = folder ? fileattr::Directory : fileattr::Archive;
        if ((sx.stx_mode & S_IWUSR) == 0) d.attributes |= fileattr::ReadOnly;
        if (S_ISREG(sx.stx_mode)) d.size = sx.stx_size;
        if (auto xattr = readXattr(host, isRoot)) {
            d.attributes |= parseDosAttrib(*xattr).value_or(0) & kDosAttribStoredBits;
        } else if (!isRoot && isDotFileName(d.name)) {
            d.attributes |= fileattr::Hidden;
        }
    }
    d.lastWriteTime = fromTimestamp(sx.stx_mtime);
    d.lastAccessTime = fromTimestamp(sx.stx_atime);
    d.creationTime = (sx.stx_mask & STATX_BTIME) ? fromTimestamp(sx.stx_btime) : d.lastWriteTime;
    return d;
}

std::vector<FindData> WineFileSystem::find(std::string_view pattern) const {
    const auto sep = pattern.find_last_of("\\/");
    if (sep == std::string_view::npos) return {};
    const std::string_view mask = pattern.substr(sep + 1);
    if (mask.empty() || mask == "." || mask == ".." || mask.find('\0') != std::string_view::npos)
        return {};
    const auto folder = locate(pattern.substr(0, sep + 1));
    if (!folder || !folder->exists) return {};

    std::vector<FindData> found;
    if (!hasWildcard(mask)) {
        if (auto entry = findEntry(folder->host, std::string(mask))) {
            if (auto d = describe(folder->host + '/' + *entry, *entry, false))
                found.push_back(std::move(*d));
        }
        return found;
    }
    DirPtr d(::opendir(folder->host.c_str()));
    if (!d) return {};
    while (const dirent* e = ::readdir(d.get())) {
        const std::string_view name(e->d_name);
        if (name == "." || name == ".." || !matchesWildcard(name, mask)) continue;
        if (auto data = describe(folder->host + '/' + std::string(name), std::string(name), false,
                                 ::dirfd(d.get())))
            found.push_back(std::move(*data));
    }
    std::sort(found.begin(), found.end(), [](const FindData& a, const FindData& b) {
        const int c = text::icompare(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return found;
}

std::optional<FindData> WineFileSystem::stat(std::string_view path) const {
    const auto parsed = WinePath::parse(path);
    if (!parsed) return std::nullopt;
    const auto located = locate(*parsed);
    if (!located || !located->exists) return std::nullopt;
    return describe(located->host, parsed->isRoot() ? std::string() : leafOf(located->host),
                    parsed->isRoot());
}

std::uint32_t WineFileSystem::attributes(std::string_view path) const {
    const auto d = stat(path);
    return d ? d->attributes : fileattr::Invalid;
}

Status WineFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
    constexpr std::string_view what = "Cannot set the attributes of";
    const auto located = locate(path);
    if (!located) return pathNotFound(what, path);
    if (!located->exists) return notFound(what, path);
    if (!insidePrefix(located->host, true)) return leadsOut(what, path);
    // Like SetFileAttributes through a handle: a link's target gets the attributes.
    struct stat st {};
    if (::stat(located->host.c_str(), &st) != 0) return errnoFailure(errno, what, path);
    if (!S_ISDIR(st.st_mode)) {
        const mode_t mode =
            (attributes & fileattr::ReadOnly) ? (st.st_mode & ~0222) : (st.st_mode | S_IWUSR);
        if (mode != st.st_mode && ::chmod(located->host.c_str(), mode & 07777) != 0)
            return errnoFailure(errno, what, path);
    }
    const auto existing = readXattr(located->host, true);
    const std::uint32_t wanted = attributes & kDosAttribStoredBits;
    const bool dotFile = isDotFileName(leafOf(located->host));
    if (!existing && wanted == 0 && !dotFile) return Status::ok();
    const std::string value = updateDosAttrib(existing.value_or(""), attributes);
    const bool plainZero = value == "0x0" && !dotFile;
    const int rc = plainZero ? ::removexattr(located->host.c_str(), kDosAttribXattr)
                             : ::setxattr(located->host.c_str(), kDosAttribXattr, value.data(),
                                          value.size(), 0);
    if (rc != 0 && !(plainZero && errno == ENODATA)) {
        if (errno == ENOTSUP && wanted == 0 && !existing) return Status::ok();
        return errnoFailure(errno, what, path);
    }
    return Status::ok();
}

Status WineFileSystem::setFileTimes(std::string_view path, std::optional<FileTime> creation,
                                    std::optional<FileTime> lastAccess,
                                    std::optional<FileTime> lastWrite) {
    constexpr std::string_view what = "Cannot set the times of";
    (void)creation;  // Linux keeps the birth time itself; it cannot be set.
    const auto located = locate(path);
    if (!located) return pathNotFound(what, path);
    if (!located->exists) return notFound(what, path);
    if (!insidePrefix(located->host, true)) return leadsOut(what, path);
    struct timespec ts[2];
    const auto toSpec = [](const std::optional<FileTime>& t, struct timespec& out) {
        if (!t) {
            out.tv_sec = 0;
            out.tv_nsec = UTIME_OMIT;
            return;
        }
        out.tv_sec = t->unixSeconds();
        out.tv_nsec = t->unixNanosecondsPart();
    };
    toSpec(lastAccess, ts[0]);
    toSpec(lastWrite, ts[1]);
    if (::utimensat(AT_FDCWD, located->host.c_str(), ts, 0) != 0)
        return errnoFailure(errno, what, path);
    return Status::ok();
}

Status WineFileSystem::deleteFile(std::string_view path) {
    constexpr std::string_view what = "Cannot delete";
    // A drive root is the dosdevices link itself: never removed.
    if (const auto parsed = WinePath::parse(path); parsed && parsed->isRoot())
        return failure(ErrorCode::AccessDenied, what, path, "it is the root of a drive");
    const auto located = locate(path);
    if (!located) return pathNotFound(what, path);
    if (!located->exists) return notFound(what, path);
    struct stat st {};
    if (located->status)
        st = *located->status;
    else if (::lstat(located->host.c_str(), &st) != 0)
        return errnoFailure(errno, what, path);
    if (S_ISDIR(st.st_mode)) return failure(ErrorCode::AccessDenied, what, path, "it is a folder");
    if (!insidePrefix(located->host, false)) return leadsOut(what, path);
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0)
        return failure(ErrorCode::AccessDenied, what, path, "the file is read-only");
    forgetNames();
    if (::unlink(located->host.c_str()) != 0) return errnoFailure(errno, what, path);
    return Status::ok();
}

Status WineFileSystem::removeDirectory(std::string_view path) {
    constexpr std::string_view what = "Cannot remove the folder";
    const auto parsed = WinePath::parse(path);
    if (!parsed) return pathNotFound(what, path);
    if (parsed->isRoot())
        return failure(ErrorCode::AccessDenied, what, path, "it is the root of a drive");
    const auto located = locate(*parsed);
    if (!located) return pathNotFound(what, path);
    if (!located->exists) return notFound(what, path);
    struct stat st {};
    if (::lstat(located->host.c_str(), &st) != 0) return errnoFailure(errno, what, path);
    forgetNames();
    if (!insidePrefix(located->host, false)) return leadsOut(what, path);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(located->host.c_str(), &target) == 0 && !S_ISDIR(target.st_mode))
            return failure(ErrorCode::InvalidParameter, what, path, "the link points at a file");
        if (::unlink(located->host.c_str()) != 0) return errnoFailure(errno, what, path);
        return Status::ok();
    }
    if (!S_ISDIR(st.st_mode))
        return failure(ErrorCode::InvalidParameter, what, path, "it is not a folder");
    if (::rmdir(located->host.c_str()) != 0) {
        const int err = errno == EEXIST ? ENOTEMPTY : errno;
        return errnoFailure(err, what, path);
    }
    return Status::ok();
}

Status WineFileSystem::createDirectory(std::string_view path) {
    constexpr std::string_view what = "Cannot create the folder";
    const auto located = locate(path);
    if (!located) return pathNotFound(what, path);
    if (located->exists) return failure(ErrorCode::AlreadyExists, what, path, "it already exists");
    if (!insidePrefix(located->host, false)) return leadsOut(what, path);
    if (::mkdir(located->host.c_str(), 0777) != 0) return errnoFailure(errno, what, path);
    return Status::ok();
}

Status WineFileSystem::moveFile(std::string_view from, std::string_view to, bool replaceExisting) {
    constexpr std::string_view what = "Cannot move";
    if (const auto parsed = WinePath::parse(from); parsed && parsed->isRoot())
        return failure(ErrorCode::AccessDenied, what, from, "it is the root of a drive");
    const auto source = locate(from);
    if (!source) return pathNotFound(what, from);
    if (!source->exists) return notFound(what, from);
    const auto targetPath = WinePath::parse(to);
    if (!targetPath || targetPath->isRoot()) return pathNotFound(what, to);
    auto target = locate(*targetPath);
    if (!target) return pathNotFound(what, to);
    if (!insidePrefix(source->host, false)) return leadsOut(what, from);
    if (!insidePrefix(target->host, false)) return leadsOut(what, to);

    struct stat src {
    }, dst{};
    if (::lstat(source->host.c_str(), &src) != 0) return errnoFailure(errno, what, from);
    if (target->exists && ::lstat(target->host.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            // The same file under another spelling: a rename that changes letter case.
            target->host = parentOf(target->host) + '/' + targetPath->leaf();
        } else {
            if (!replaceExisting)
                return failure(ErrorCode::AlreadyExists, what, from, "the target exists");
            if (S_ISDIR(dst.st_mode) || S_ISDIR(src.st_mode))
                return failure(ErrorCode::AccessDenied, what, from, "the target is a folder");
            if ((dst.st_mode & S_IWUSR) == 0 && !S_ISLNK(dst.st_mode))
                return failure(ErrorCode::AccessDenied, what, from, "the target is read-only");
        }
    }
    forgetNames();
    if (::rename(source->host.c_str(), target->host.c_str()) == 0) return Status::ok();
    if (errno != EXDEV) return errnoFailure(errno, what, from);
    // Another device: files are copied and the original removed, folders are refused as
    // MoveFileEx refuses them.
    if (!S_ISREG(src.st_mode))
        return failure(ErrorCode::AccessDenied, what, from, "it cannot be moved to another device");
    if (auto s = copyHostFile(source->host, target->host, what, from); !s) {
        ::unlink(target->host.c_str());
        return s;
    }
    if (::unlink(source->host.c_str()) != 0) return errnoFailure(errno, what, from);
    return Status::ok();
}

Status WineFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
    constexpr std::string_view what = "Cannot copy";
    const auto source = locate(from);
    if (!source) return pathNotFound(what, from);
    if (!source->exists) return notFound(what, from);
    const auto target = locate(to);
    if (!target) return pathNotFound(what, to);
    if (!insidePrefix(target->host, true)) return leadsOut(what, to);
    struct stat src {
    }, dst{};
    if (::stat(source->host.c_str(), &src) != 0) return errnoFailure(errno, what, from);
    if (!S_ISREG(src.st_mode))
        return failure(ErrorCode::AccessDenied, what, from, "it is not a file");
    if (target->exists && ::stat(target->host.c_str(), &dst) == 0) {
        if (failIfExists) return failure(ErrorCode::FileExists, what, from, "the target exists");
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
            return failure(ErrorCode::SharingViolation, what, from,
                           "source and target are the same");
        if (S_ISDIR(dst.st_mode) || (dst.st_mode & S_IWUSR) == 0)
            return failure(ErrorCode::AccessDenied, what, to, "the target cannot be written");
    }
    return copyHostFile(source->host, target->host, what, from);
}

bool WineFileSystem::isInUse(std::string_view path) const {
    const auto located = locate(path);
    if (!located || !located->exists) return false;
    struct stat st {};
    if (located->status && S_ISREG(located->status->st_mode))
        st = *located->status;
    else if (::stat(located->host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if ((st.st_mode & S_IWUSR) == 0) return true;  // read-only: cannot be opened for writing
    Fd fd(::open(located->host.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return true;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    // Open-file-description locks see record locks of every other process (and of other
    // descriptors of this one); plain F_GETLK is the fallback on kernels without them.
    if (::fcntl(fd.get(), F_OFD_GETLK, &probe) != 0) {
        probe = {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        if (::fcntl(fd.get(), F_GETLK, &probe) != 0) probe.l_type = F_UNLCK;
    }
    if (probe.l_type != F_UNLCK) return true;
    // The probe's own lock ends when fd is closed, its only descriptor.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    return false;
}

Result<std::string> WineFileSystem::readFile(std::string_view path) const {
    constexpr std::string_view what = "Cannot read";
    const auto located = locate(path);
    if (!located) return pathNotFound(what, path);
    if (!located->exists) return notFound(what, path);
    Fd fd(::open(located->host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return errnoFailure(errno, what, path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return errnoFailure(errno, what, path);
    if (!S_ISREG(st.st_mode))
        return failure(ErrorCode::AccessDenied, what, path, "it is not a regular file");
    std::string contents;
    contents.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoFailure(errno, what, path);
        }
        if (n == 0) break;
        contents.append(buf, static_cast<std::size_t>(n));
    }
    return contents;
}

Status WineFileSystem::writeFile(std::string_view path, std::string_view contents, WriteMode mode) {
    constexpr std::string_view what = "Cannot write";
    const auto parsed = WinePath::parse(path);
    if (!parsed || parsed->isRoot()) return pathNotFound(what, path);
    const auto located = locate(*parsed);
    if (!located) return pathNotFound(what, path);
    std::string target = located->host;
    if (!insidePrefix(target, true)) return leadsOut(what, path);
    struct stat st {};
    const bool exists = located->exists && ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return failure(ErrorCode::AccessDenied, what, path, "it is not a regular file");
        if ((st.st_mode & S_IWUSR) == 0)
            return failure(ErrorCode::AccessDenied, what, path, "the file is read-only");
        // Through a link, as CreateFile writes: the durable rename must replace the target.
        std::error_code ec;
        const auto real = std::filesystem::canonical(target, ec);
        if (!ec) target = real.string();
    }

    if (mode == WriteMode::Plain) {
        Fd fd(::open(target.c_str(),
                     O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
        if (!fd.valid()) return errnoFailure(errno, what, path);
        if (auto s = writeAll(fd.get(), contents, path); !s) return s;
        if (::close(fd.release()) != 0) return errnoFailure(errno, what, path);
        return Status::ok();
    }

    const std::string folder = parentOf(target);
    std::string temp = folder + "/." + leafOf(target) + ".quorvel-XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (!fd.valid()) return errnoFailure(errno, what, path);
    auto fail = [&](Status s) {
        ::unlink(temp.c_str());
        return s;
    };
    if (auto s = writeAll(fd.get(), contents, path); !s) return fail(s);
    ::fchmod(fd.get(), exists ? (st.st_mode & 07777) : 0644);
    if (exists) copyDosAttrib(target, fd.get());
    if (::fsync(fd.get()) != 0) return fail(errnoFailure(errno, what, path));
    if (::close(fd.release()) != 0) return fail(errnoFailure(errno, what, path));
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errnoFailure(errno, what, path));
    forgetNames();
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
    return Status::ok();
}

std::optional<std::string> WineFileSystem::longPathName(std::string_view path) const {
    const auto parsed = WinePath::parse(path);
    if (!parsed) return std::nullopt;
    const auto root = driveRoot(parsed->drive);
    if (!root) return std::nullopt;
    std::string host = root->string();
    WinePath out;
    out.drive = parsed->drive;
    for (const auto& component : parsed->components) {
        auto entry = findEntry(host, component);
        std::string shown = component;
        if (!entry && component.find('~') != std::string::npos) {
            // An 8.3 alias: Wine's own alias of a long name, else the N-th (in name order)
            // long name that the NAME~N form fits.
            std::vector<std::string> numbered;
            DirPtr d(::opendir(host.c_str()));
            if (!d) return std::nullopt;
            while (const dirent* e = ::readdir(d.get())) {
                const std::string_view name(e->d_name);
                if (name == "." || name == "..") continue;
                if (isWineAliasOf(component, name)) {
                    entry = std::string(name);
                    break;
                }
                if (isNumberedAliasOf(component, name)) numbered.emplace_back(name);
            }
            if (!entry) {
                std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) {
                    const int c = text::icompare(a, b);
                    return c != 0 ? c < 0 : a < b;
                });
                const unsigned n = aliasNumber(component);
                if (n >= 1 && n <= numbered.size()) entry = numbered[n - 1];
            }
            if (entry) shown = *entry;
        }
        if (!entry) return std::nullopt;
        host += '/';
        host += *entry;
        out.components.push_back(std::move(shown));
    }
    std::string result = out.toString();
    if (!out.isRoot() && !path.empty() && isPathSeparator(path.back())) result += '\\';
    return result;
}

}  // namespace quorvel::platform::wineprefix
