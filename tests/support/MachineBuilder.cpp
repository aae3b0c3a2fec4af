#include "support/MachineBuilder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/RegistryNames.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WineFileSystem.h"

namespace quorvel::testing {

namespace fs = std::filesystem;
using platform::RootKey;
using platform::wineprefix::WineFileSystem;
using platform::wineprefix::WinePrefixMachine;
using platform::wineprefix::WineRegistry;

namespace {

void writeText(const fs::path& path, std::string_view contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("MachineBuilder: cannot write " + path.string());
}

void require(const platform::Status& s, std::string_view what) {
    if (!s) throw std::runtime_error("MachineBuilder: " + std::string(what) + ": " + s.message());
}

// "HKLM\Software\X" -> (LocalMachine, "Software\X").
std::pair<RootKey, std::string> splitKeyPath(std::string_view keyPath) {
    auto parsed = platform::parseRootedKeyPath(keyPath);
    if (!parsed)
        throw std::runtime_error("MachineBuilder: unknown registry root in " +
                                 std::string(keyPath));
    return {parsed->root, std::move(parsed->path)};
}

}  // namespace

HeldLock::~HeldLock() {
    release();
}

HeldLock::HeldLock(HeldLock&& other) noexcept
    : child_(std::exchange(other.child_, -1)), releaseFd_(std::exchange(other.releaseFd_, -1)) {}

void HeldLock::release() {
    if (releaseFd_ >= 0) ::close(releaseFd_);  // the child sees end of file and exits
    releaseFd_ = -1;
    if (child_ > 0) {
        int status = 0;
        while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    child_ = -1;
}

MachineBuilder::MachineBuilder() : prefix_(temp_.path() / "prefix") {
    const char* folders[] = {
        "drive_c/windows/system32",
        "drive_c/windows/temp",
        "drive_c/windows/Fonts",
        "drive_c/Program Files/Common Files",
        "drive_c/Program Files (x86)/Common Files",
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp",
        "drive_c/users/Public/Desktop",
        "drive_c/users/Public/Documents",
        "drive_c/users/tester/Temp",
        "drive_c/users/tester/Desktop",
        "drive_c/users/tester/Documents",
        "drive_c/users/tester/Favorites",
        "drive_c/users/tester/AppData/Local/Microsoft/Windows/INetCache",
        "drive_c/users/tester/AppData/Local/Microsoft/Windows/History",
        "drive_c/users/tester/AppData/Roaming/Microsoft/Windows/Recent",
        "drive_c/users/tester/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp",
        "dosdevices",
    };
    for (const char* f : folders)
        fs::create_directories(prefix_ / f);
    fs::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    writeText(prefix_ / "system.reg", defaultSystemHive());
    writeText(prefix_ / "user.reg", defaultUserHive());
    writeText(prefix_ / "userdef.reg", defaultUserDefaultHive());
    ownRecycleBin();
}

MachineBuilder::~MachineBuilder() = default;

WineRegistry& MachineBuilder::registry() {
    if (!registry_) {
        auto opened = WineRegistry::open(prefix_);
        if (!opened) throw std::runtime_error("MachineBuilder: " + opened.status().message());
        registry_ = std::move(opened).value();
    }
    return *registry_;
}

MachineBuilder& MachineBuilder::key(std::string_view keyPath) {
    const auto [root, path] = splitKeyPath(keyPath);
    auto created = registry().createKey(root, path);
    require(created.status(), "cannot create " + std::string(keyPath));
    return *this;
}

MachineBuilder& MachineBuilder::value(std::string_view keyPath, std::string_view name,
                                      const platform::RegValue& value) {
    const auto [root, path] = splitKeyPath(keyPath);
    auto created = registry().createKey(root, path);
    require(created.status(), "cannot create " + std::string(keyPath));
    require((*created)->setValue(name, value), "cannot set a value of " + std::string(keyPath));
    return *this;
}

MachineBuilder& MachineBuilder::removeKey(std::string_view keyPath) {
    const auto [root, path] = splitKeyPath(keyPath);
    const auto sep = path.rfind('\\');
    auto parent = registry().openKey(root, sep == std::string::npos ? "" : path.substr(0, sep),
                                     platform::RegAccess::ReadWrite);
    require(parent.status(), "cannot open the parent of " + std::string(keyPath));
    require((*parent)->deleteTree(sep == std::string::npos ? path : path.substr(sep + 1)),
            "cannot delete " + std::string(keyPath));
    return *this;
}

fs::path MachineBuilder::hostPath(std::string_view windowsPath) const {
    const WineFileSystem files(prefix_);
    auto host = files.hostPath(windowsPath);
    if (!host)
        throw std::runtime_error("MachineBuilder: no host path for " + std::string(windowsPath));
    return *host;
}

MachineBuilder& MachineBuilder::shortcut(std::string_view windowsPath,
                                         const platform::ShellLink& link) {
    return file(windowsPath, platform::shelllink::serialize(link));
}

MachineBuilder& MachineBuilder::shortcut(std::string_view windowsPath, std::string_view target,
                                         std::string_view description) {
    platform::ShellLink link;
    link.setTarget(std::string(target));
    if (!description.empty()) link.description = std::string(description);
    return shortcut(windowsPath, link);
}

MachineBuilder& MachineBuilder::folder(std::string_view windowsPath) {
    WineFileSystem files(prefix_);
    require(files.createDirectoryTree(windowsPath), "cannot make " + std::string(windowsPath));
    return *this;
}

MachineBuilder& MachineBuilder::file(std::string_view windowsPath, std::string_view contents) {
    std::string parent(windowsPath);
    if (const auto sep = parent.find_last_of("\\/"); sep != std::string::npos && sep > 2) {
        parent.resize(sep);
        folder(parent);
    }
    WineFileSystem files(prefix_);
    require(files.writeFile(windowsPath, contents), "cannot write " + std::string(windowsPath));
    return *this;
}

MachineBuilder& MachineBuilder::file(std::string_view windowsPath, std::size_t size) {
    return file(windowsPath, std::string(size, 'x'));
}

MachineBuilder& MachineBuilder::attributes(std::string_view windowsPath, std::uint32_t attributes) {
    WineFileSystem files(prefix_);
    require(files.setAttributes(windowsPath, attributes),
            "cannot set the attributes of " + std::string(windowsPath));
    return *this;
}

MachineBuilder& MachineBuilder::lastWrite(std::string_view windowsPath, platform::FileTime time) {
    WineFileSystem files(prefix_);
    require(files.setFileTimes(windowsPath, std::nullopt, std::nullopt, time),
            "cannot set the time of " + std::string(windowsPath));
    return *this;
}

MachineBuilder& MachineBuilder::ownRecycleBin() {
    fs::create_directories(prefix_ / "quorvel-trash" / "files");
    fs::create_directories(prefix_ / "quorvel-trash" / "info");
    return *this;
}

MachineBuilder& MachineBuilder::sharedRecycleBin() {
    fs::remove_all(prefix_ / "quorvel-trash");
    return *this;
}

MachineBuilder& MachineBuilder::symlink(std::string_view windowsPath, const fs::path& hostTarget) {
    const auto link = hostPath(windowsPath);
    fs::create_directories(link.parent_path());
    std::error_code ec;
    fs::create_symlink(hostTarget, link, ec);
    if (ec)
        throw std::runtime_error("MachineBuilder: cannot link " + link.string() + ": " +
                                 ec.message());
    return *this;
}

MachineBuilder& MachineBuilder::drive(char letter, const fs::path& hostFolder,
                                      platform::DriveType type) {
    const char lower = platform::text::asciiLower(letter);
    const fs::path link = prefix_ / "dosdevices" / std::string{lower, ':'};
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_directory_symlink(fs::absolute(hostFolder), link, ec);
    if (ec) throw std::runtime_error("MachineBuilder: cannot link drive: " + ec.message());
    const char* name = "hd";
    switch (type) {
        case platform::DriveType::Removable:
            name = "floppy";
            break;
        case platform::DriveType::Remote:
            name = "network";
            break;
        case platform::DriveType::CdRom:
            name = "cdrom";
            break;
        case platform::DriveType::RamDisk:
            name = "ramdisk";
            break;
        default:
            break;
    }
    return value("HKLM\\Software\\Wine\\Drives", std::string{lower, ':'},
                 platform::RegValue::string(name));
}

HeldLock MachineBuilder::lock(std::string_view windowsPath) {
    const std::string host = hostPath(windowsPath).string();
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("MachineBuilder: pipe failed");
    if (::pipe2(release, O_CLOEXEC) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        throw std::runtime_error("MachineBuilder: pipe failed");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(ready[0]);
        ::close(release[1]);
        char ok = '0';
        const int fd = ::open(host.c_str(), O_RDWR | O_NONBLOCK);
        struct flock region {};
        region.l_type = F_WRLCK;
        region.l_whence = SEEK_SET;
        if (fd >= 0 && ::fcntl(fd, F_SETLK, &region) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ok = '1';
        (void)!::write(ready[1], &ok, 1);
        char c;
        while (::read(release[0], &c, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    if (child < 0) {
        ::close(ready[0]);
        ::close(release[1]);
        throw std::runtime_error("MachineBuilder: fork failed");
    }
    HeldLock held(child, release[1]);
    char ok = '0';
    const bool got = ::read(ready[0], &ok, 1) == 1 && ok == '1';
    ::close(ready[0]);
    if (!got) throw std::runtime_error("MachineBuilder: cannot lock " + host);
    return held;
}

std::unique_ptr<WinePrefixMachine> MachineBuilder::build() {
    if (registry_) {
        require(registry_->flush(), "cannot save the hives");
        registry_.reset();
    }
    auto machine = WinePrefixMachine::open(prefix_);
    if (!machine) throw std::runtime_error("MachineBuilder: " + machine.status().message());
    return std::move(machine).value();
}

}  // namespace quorvel::testing
