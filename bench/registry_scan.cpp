// Speed of the registry scan on a generated machine of about a million keys and three million
// values (COM classes with server paths, ProgIDs with verbs, file types, uninstall entries, deep
// software trees; most references valid, a known number broken), next to a bare walk that opens
// every key and reads every value in the same process.
//
// Usage: bench_registry_scan [--scale F] [--prefix DIR]...
//   --scale F     size factor (default 1.0 = about 1M keys)
//   --prefix DIR  also time the scan of an existing prefix (for example a fresh wineboot one)
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "registry/RegScan.h"

namespace {

namespace core = quorvel::core;
namespace platform = quorvel::platform;
namespace registry = quorvel::registry;
using platform::RootKey;
using platform::wineprefix::WinePrefixMachine;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of the whole process (user + system): other work on a shared machine does not count.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::filesystem::path ProgramDir() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

// Writes one hive in Wine's text format, keys in the order wineserver saves them (each parent's
// subkeys sorted by name, ignoring case).
class HiveWriter {
public:
    explicit HiveWriter(std::string_view relativeTo) {
        header_ = "WINE REGISTRY Version 2\n;; All keys relative to ";
        header_ += relativeTo;
        header_ += "\n\n#arch=win64\n";
    }
    void key(std::string_view path) {
        std::string body = "\n[";
        escape(body, path);
        body += "] 1700000000\n#time=1da1a2b3c4d5e6f\n";
        std::string order(path);
        for (char& c : order)
            c = c == '\\' ? '\x01' : platform::text::asciiLower(c);
        keys_.push_back({std::move(order), std::move(body)});
    }
    void sz(std::string_view name, std::string_view data) {
        std::string& body = keys_.back().body;
        nameOf(body, name);
        body += "=\"";
        escape(body, data);
        body += "\"\n";
        ++values_;
    }
    void dword(std::string_view name, unsigned value) {
        std::string& body = keys_.back().body;
        nameOf(body, name);
        body += fmt::format("=dword:{:08x}\n", value);
        ++values_;
    }
    void save(const std::filesystem::path& file) {
        std::sort(keys_.begin(), keys_.end(),
                  [](const Key& a, const Key& b) { return a.order < b.order; });
        std::ofstream out(file, std::ios::binary);
        out << header_;
        for (const auto& k : keys_)
            out << k.body;
    }
    std::size_t keys() const { return keys_.size(); }
    std::size_t values() const { return values_; }

private:
    struct Key {
        std::string order;
        std::string body;
    };
    static void nameOf(std::string& body, std::string_view name) {
        if (name.empty()) {
            body += '@';
            return;
        }
        body += '"';
        escape(body, name);
        body += '"';
    }
    static void escape(std::string& body, std::string_view s) {
        for (char c : s) {
            if (c == '\\' || c == '"') body += '\\';
            body += c;
        }
    }
    std::string header_;
    std::vector<Key> keys_;
    std::size_t values_ = 0;
};

std::string Guid(std::size_t n, unsigned kind) {
    return fmt::format("{{{:08X}-{:04X}-4000-8000-{:012X}}}", n, kind, n * 7919 + kind);
}

struct Generated {
    std::size_t keys = 0;
    std::size_t values = 0;
    std::size_t broken = 0;  // references planted broken
};

constexpr std::size_t kDlls = 2000;
constexpr std::size_t kApps = 500;

std::string Dll(std::size_t n, bool broken) {
    return fmt::format("C:\\windows\\system32\\{}{:04}.dll", broken ? "gone" : "lib", n % kDlls);
}
std::string App(std::size_t n, bool broken) {
    return fmt::format("C:\\Program Files\\Vendor{:03}\\{}{:03}.exe", n % kApps,
                       broken ? "gone" : "app", n % kApps);
}

// Deep software trees: vendors / products / four levels of settings, five values a key.
void SoftwareTree(HiveWriter& hive, std::string_view root, std::size_t vendors, Generated& g,
                  std::size_t& serial) {
    for (std::size_t v = 0; v < vendors; ++v) {
        const std::string vendor = fmt::format("{}\\Vendor{:04}", root, v);
        hive.key(vendor);
        for (std::size_t p = 0; p < 4; ++p) {
            const std::string product = fmt::format("{}\\Product{}", vendor, p);
            std::vector<std::string> level{product};
            for (int depth = 0; depth < 4; ++depth) {
                std::vector<std::string> next;
                for (const auto& parent : level) {
                    hive.key(parent);
                    const bool broken = ++serial % 1000 == 0;
                    g.broken += broken;
                    hive.sz("InstallPath", App(serial, broken));
                    hive.sz("Name", fmt::format("Setting {} of {}", serial, vendor));
                    hive.dword("Count", static_cast<unsigned>(serial));
                    hive.dword("Flags", 3);
                    hive.sz("Mode", "automatic");
                    if (depth < 3) {
                        for (int b = 0; b < 3; ++b)
                            next.push_back(fmt::format("{}\\Sub{}", parent, b));
                    }
                }
                level = std::move(next);
            }
        }
    }
}

Generated Generate(const std::filesystem::path& prefix, double scale) {
    const auto count = [scale](double n) { return static_cast<std::size_t>(n * scale); };
    std::filesystem::create_directories(prefix / "drive_c" / "windows" / "system32");
    std::filesystem::create_directories(prefix / "dosdevices");
    std::filesystem::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    for (std::size_t i = 0; i < kDlls; ++i) {
        std::ofstream(prefix / "drive_c/windows/system32" / fmt::format("lib{:04}.dll", i)) << "MZ";
    }
    for (std::size_t i = 0; i < kApps; ++i) {
        const auto folder = prefix / "drive_c/Program Files" / fmt::format("Vendor{:03}", i);
        std::filesystem::create_directories(folder);
        std::ofstream(folder / fmt::format("app{:03}.exe", i)) << "MZ";
    }

    Generated g;
    HiveWriter machine("\\\\Machine");
    machine.key("Software\\Microsoft\\Windows NT\\CurrentVersion");
    machine.sz("CurrentVersion", "6.1");
    machine.sz("CurrentBuildNumber", "7601");
    machine.sz("SystemRoot", "C:\\windows");
    machine.key("Software\\Microsoft\\Windows\\CurrentVersion");
    machine.sz("ProgramFilesDir", "C:\\Program Files");

    const std::size_t classes = count(100000);
    for (std::size_t i = 0; i < classes; ++i) {
        const std::string key = "Software\\Classes\\CLSID\\" + Guid(i, 1);
        const bool broken = i % 100 == 7;
        g.broken += broken;
        machine.key(key);
        machine.sz("", fmt::format("Class {}", i));
        machine.key(key + "\\InprocServer32");
        machine.sz("", Dll(i, broken));
        machine.sz("ThreadingModel", "Both");
    }
    const std::size_t progIds = count(50000);
    for (std::size_t i = 0; i < progIds; ++i) {
        const std::string key = fmt::format("Software\\Classes\\Vendor.App{}", i);
        const bool broken = i % 200 == 3;
        g.broken += broken;
        machine.key(key);
        machine.sz("", fmt::format("Application {}", i));
        machine.key(key + "\\CLSID");
        machine.sz("", Guid(i * 2 % classes, 1));
        machine.key(key + "\\shell");
        machine.key(key + "\\shell\\open");
        machine.key(key + "\\shell\\open\\command");
        machine.sz("", "\"" + App(i, broken) + "\" \"%1\"");
        machine.key(fmt::format("Software\\Classes\\.e{}", i));
        machine.sz("", fmt::format("Vendor.App{}", i));
        machine.sz("Content Type", "application/octet-stream");
    }
    for (std::size_t i = 0; i < count(20000); ++i) {
        machine.key("Software\\Classes\\Interface\\" + Guid(i, 2));
        machine.sz("", fmt::format("IThing{}", i));
        machine.key("Software\\Classes\\Interface\\" + Guid(i, 2) + "\\ProxyStubClsid32");
        machine.sz("", Guid(i * 3 % classes, 1));
    }
    for (std::size_t i = 0; i < count(5000); ++i) {
        const std::string key =
            fmt::format("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product{}", i);
        const bool broken = i % 50 == 1;
        g.broken += broken;
        machine.key(key);
        machine.sz("DisplayName", fmt::format("Product {}", i));
        machine.sz("UninstallString", "\"" + App(i, broken) + "\" /uninstall");
        machine.sz("Publisher", "Vendor");
        machine.sz("DisplayVersion", "1.0");
    }
    std::size_t serial = 0;
    SoftwareTree(machine, "Software", count(2900), g, serial);

    HiveWriter user("\\\\User\\\\S-1-5-21-0-0-0-1000");
    user.key("Volatile Environment");
    user.sz("USERPROFILE", "C:\\users\\bench");
    user.sz("USERNAME", "bench");
    SoftwareTree(user, "Software", count(700), g, serial);
    HiveWriter userDefault("\\\\User\\\\.Default");
    userDefault.key("Software");

    machine.save(prefix / "system.reg");
    user.save(prefix / "user.reg");
    userDefault.save(prefix / "userdef.reg");
    g.keys = machine.keys() + user.keys() + userDefault.keys();
    g.values = machine.values() + user.values() + userDefault.values();
    return g;
}

struct WalkCount {
    std::size_t keys = 0;
    std::size_t values = 0;
};

// Opens every key below root and reads every value, strings as text.
WalkCount BareWalk(platform::Registry& registry, RootKey root) {
    WalkCount count;
    std::vector<platform::RegistryKeyPtr> pending;
    if (auto top = registry.openKey(root, "")) pending.push_back(std::move(top).value());
    std::size_t textBytes = 0;
    while (!pending.empty()) {
        auto key = std::move(pending.back());
        pending.pop_back();
        ++count.keys;
        for (std::uint32_t i = 0;; ++i) {
            auto value = key->valueAt(i);
            if (!value) break;
            ++count.values;
            if (auto text = value->value.asString()) textBytes += text->size();
        }
        for (const auto& name : key->subKeyNames()) {
            if (auto sub = key->openSubKey(name)) pending.push_back(std::move(sub).value());
        }
    }
    if (textBytes == 0) std::fputs("", stdout);
    return count;
}

// Counts the synchronised calls the scan makes into the UI thread.
class CountingBridge final : public core::UiBridge {
public:
    void sync(const std::function<void()>& fn) override {
        ++syncs;
        inner_.sync(fn);
    }
    void post(std::function<void()> fn) override { inner_.post(std::move(fn)); }
    void pumpUntil(const std::function<bool()>& done) override { inner_.pumpUntil(done); }
    std::atomic<long> syncs{0};

private:
    core::HeadlessUiBridge inner_;
};

struct ScanResult {
    double seconds = 0;
    double cpuSeconds = 0;
    std::size_t findings = 0;
    long syncs = 0;
    std::uint64_t published = 0;
};

ScanResult Scan(WinePrefixMachine& machine) {
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::InitGlobals(machine, ProgramDir(), globals, language);
    core::ProtectedFolders protectedFolders;
    const core::Context context{machine, globals, language, protectedFolders};
    CountingBridge bridge;
    core::StatusSink status;
    registry::RegFindings findings;
    const registry::TGlobalReg lists;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    registry::TRegScan scan(findings, status, context, bridge, lists);
    scan.start();
    scan.wait();
    ScanResult result;
    result.seconds = Seconds(start);
    result.cpuSeconds = CpuSeconds() - cpuStart;
    result.findings = findings.size();
    result.syncs = bridge.syncs.load();
    result.published = status.snapshot().generation;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    double scale = 1.0;
    std::vector<std::filesystem::path> prefixes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--scale" && i + 1 < argc) {
            scale = std::atof(argv[++i]);
        } else if (arg == "--prefix" && i + 1 < argc) {
            prefixes.emplace_back(argv[++i]);
        } else {
            fmt::print(stderr, "usage: bench_registry_scan [--scale F] [--prefix DIR]...\n");
            return 2;
        }
    }

    const auto folder = std::filesystem::temp_directory_path() /
                        fmt::format("quorvel-bench-regscan-{}", ::getpid());
    auto start = std::chrono::steady_clock::now();
    const Generated g = Generate(folder / "prefix", scale);
    fmt::print("generated:  {} keys, {} values, {} references broken ({:.1f} s)\n", g.keys,
               g.values, g.broken, Seconds(start));

    start = std::chrono::steady_clock::now();
    auto opened = WinePrefixMachine::open(folder / "prefix");
    if (!opened) {
        fmt::print(stderr, "cannot open the generated machine: {}\n", opened.status().message());
        return 1;
    }
    auto& machine = **opened;
    fmt::print("hive load:  {:.2f} s\n", Seconds(start));

    start = std::chrono::steady_clock::now();
    const double walkCpuStart = CpuSeconds();
    WalkCount walk;
    for (const RootKey root : {RootKey::LocalMachine, RootKey::Users}) {
        const auto part = BareWalk(machine.registry(), root);
        walk.keys += part.keys;
        walk.values += part.values;
    }
    const double walkSeconds = Seconds(start);
    const double walkCpu = CpuSeconds() - walkCpuStart;
    fmt::print("bare walk:  {:.2f} s ({:.2f} s CPU), {} keys, {} values, {:.0f} keys/s of CPU\n",
               walkSeconds, walkCpu, walk.keys, walk.values,
               static_cast<double>(walk.keys) / walkCpu);

    const ScanResult scan = Scan(machine);
    fmt::print(
        "full scan:  {:.2f} s ({:.2f} s CPU), {:.0f} keys/s of CPU, {} findings, "
        "{} synchronised calls, {} status updates\n",
        scan.seconds, scan.cpuSeconds, static_cast<double>(walk.keys) / scan.cpuSeconds,
        scan.findings, scan.syncs, scan.published);
    fmt::print("ratio:      scan / bare walk = {:.2f} (CPU), {:.2f} (wall)\n",
               scan.cpuSeconds / walkCpu, scan.seconds / walkSeconds);
    fmt::print("peak RSS:   {} MB\n", PeakMegabytes());

    for (const auto& prefix : prefixes) {
        auto other = WinePrefixMachine::open(prefix);
        if (!other) {
            fmt::print(stderr, "cannot open {}: {}\n", prefix.string(), other.status().message());
            continue;
        }
        const ScanResult result = Scan(**other);
        fmt::print("prefix {}: scan {:.2f} s ({:.2f} s CPU), {} findings\n", prefix.string(),
                   result.seconds, result.cpuSeconds, result.findings);
    }

    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return 0;
}
