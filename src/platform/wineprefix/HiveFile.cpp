#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/PrefaultMemory.h"

namespace quorvel::platform::wineprefix {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int reset() {
        const int r = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

struct FreeMemory {
    void operator()(void* p) const { std::free(p); }
};

Status failure(const std::filesystem::path& file, const char* what, int err) {
    return {ErrorCode::AccessDenied,
            "Could not save " + file.string() + ": " + what + ": " + std::strerror(err)};
}

FileSignature signatureFrom(const struct stat& st) {
    FileSignature sig;
    sig.exists = true;
    sig.device = static_cast<std::uint64_t>(st.st_dev);
    sig.inode = static_cast<std::uint64_t>(st.st_ino);
    sig.size = static_cast<std::int64_t>(st.st_size);
    sig.modifiedNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return sig;
}

constexpr std::string_view kTempSuffix = ".XXXXXX";

}  // namespace

FileSignature signatureOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return signatureFrom(st);
}

void removeLeftoverTemporaries(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::path target = file;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::canonical(file, ec);
        if (!ec) target = resolved;
    }
    const std::string stem = "." + target.filename().string() + ".";
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != stem.size() + kTempSuffix.size() - 1 ||
            name.compare(0, stem.size(), stem) != 0)
            continue;
        const bool random =
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                        [](unsigned char c) { return std::isalnum(c) != 0; });
        std::error_code typeError;
        const auto type = it->symlink_status(typeError).type();
        // Only files of that exact shape; a link of that name is removed, never followed.
        if (random && (type == std::filesystem::file_type::regular ||
                       type == std::filesystem::file_type::symlink))
            ::unlink(it->path().c_str());
    }
}

HiveFileText readHiveFile(const std::filesystem::path& file) {
    HiveFileText result;
    const Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        result.exists = errno != ENOENT && errno != ENOTDIR;
        result.error = std::string("Cannot open the file: ") + std::strerror(errno);
        return result;
    }
    result.exists = true;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = "Not a regular file";
        return result;
    }
    result.signature = signatureFrom(st);
    // Windows refuses hives over 2 GB; a larger file is not one and would only exhaust memory.
    constexpr std::size_t kLargestHive = std::size_t{2} << 30;
    if (static_cast<std::uint64_t>(st.st_size) > kLargestHive) {
        result.error = "Too large for a registry hive";
        return result;
    }
    // The file goes through a small buffer that stays in the cache. Large copies are much
    // slower when source and destination sit at different offsets within a cache line, and
    // the string's memory does not start at one: read() straight into it costs three times
    // as much. So each chunk lands at the offset the string's end has.
    constexpr std::size_t kLine = 64;
    constexpr std::size_t kChunk = 256 * 1024;
    const std::unique_ptr<char, FreeMemory> chunk(
        static_cast<char*>(std::aligned_alloc(kLine, kChunk + kLine)));
    if (!chunk) {
        result.error = "Out of memory";
        return result;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(st.st_size));
    prefaultMemory(text.data(), text.capacity());
    // Read to the end, whatever the size said: the file may change while it is read.
    for (;;) {
        char* const into =
            chunk.get() + (reinterpret_cast<std::uintptr_t>(text.data()) + text.size()) % kLine;
        const ssize_t n = ::read(fd.get(), into, kChunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = std::string("Cannot read the file: ") + std::strerror(errno);
            return result;
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kLargestHive) {
            result.error = "Too large for a registry hive";
            return result;
        }
        text.append(into, static_cast<std::size_t>(n));
    }
    result.text = std::move(text);
    return result;
}

Status writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                           FileSignature* written) {
    // A symbolic link is followed, so the link itself stays in place.
    std::error_code ec;
    std::filesystem::path target = file;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::canonical(file, ec);
        if (!ec) target = resolved;
    }
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string tempName(".");
    tempName += target.filename().string();
    tempName += kTempSuffix;
    std::string temp = (folder / tempName).string();
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return failure(target, "cannot create a temporary file", errno);

    bool done = false;
    struct Cleanup {
        const std::string& path;
        const bool& done;
        ~Cleanup() {
            if (!done) ::unlink(path.c_str());
        }
    } cleanup{temp, done};

    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd.get(), mode) != 0) return failure(target, "cannot set permissions", errno);

    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failure(target, "write failed", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return failure(target, "fsync failed", errno);
    struct stat st {};
    if (written && ::fstat(fd.get(), &st) == 0) *written = signatureFrom(st);
    if (fd.reset() != 0) return failure(target, "close failed", errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return failure(target, "rename failed", errno);
    done = true;
    const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return Status::ok();
}

}  // namespace quorvel::platform::wineprefix
