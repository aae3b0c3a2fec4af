#include "core/formats/HostFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace quorvel::core {

using platform::ErrorCode;
using platform::Result;
using platform::Status;

namespace {

Status errnoStatus(std::string_view what, const std::filesystem::path& file, int error) {
    ErrorCode code = ErrorCode::AccessDenied;
    if (error == ENOENT) code = ErrorCode::PathNotFound;
    if (error == ENOSPC) code = ErrorCode::NotEnoughMemory;
    return {code, std::string(what) + " " + file.string() + ": " + std::strerror(error)};
}

// Closes a POSIX descriptor on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

Result<std::string> ReadHostFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        return Status{ErrorCode::FileNotFound, "File not found: " + file.string()};
    }
    if (std::filesystem::is_directory(file, ec)) {
        return Status{ErrorCode::AccessDenied, "Not a file: " + file.string()};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return errnoStatus("Cannot open", file, errno);
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Status{ErrorCode::AccessDenied, "Cannot read " + file.string()};
    return contents;
}

Status WriteHostFileAtomic(const std::filesystem::path& file, std::string_view contents) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    std::filesystem::path temp = file;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);

    {
        Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd.get() < 0) return errnoStatus("Cannot create", temp, errno);
        if (!writeAll(fd.get(), contents) || ::fsync(fd.get()) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            return errnoStatus("Cannot write", temp, error);
        }
        if (::close(fd.release()) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            return errnoStatus("Cannot write", temp, error);
        }
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return errnoStatus("Cannot replace", file, error);
    }
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return Status::ok();
}

}  // namespace quorvel::core
