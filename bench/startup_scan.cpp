// Speed of the startup scan on a copy of the demo machine whose thirteen startup keys hold
// 2,000 values each and whose two startup folders hold 500 shortcuts each, next to a bare read
// of the same values and shortcut files in the same process.
//
// Usage: bench_startup_scan [--values N] [--links N] [--runs N] [--all-found 1]
//   --all-found 1  every command names a program that exists (quoted path): no failed lookups
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "startup/StartupScan.h"

namespace {

namespace core = quorvel::core;
namespace platform = quorvel::platform;
namespace startup = quorvel::startup;
using platform::wineprefix::WinePrefixMachine;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::filesystem::path ProgramDir() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

std::unique_ptr<WinePrefixMachine> Open(const std::filesystem::path& prefix) {
    auto machine = WinePrefixMachine::open(prefix);
    if (!machine) {
        std::fprintf(stderr, "cannot open %s: %s\n", prefix.c_str(),
                     machine.status().message().c_str());
        std::exit(1);
    }
    return std::move(*machine);
}

struct Folders {
    std::string common, user;
};

// Fills the keys and folders; every tenth command names a program that exists, written the way
// installers do (unquoted path with spaces and switches, quoted path, bare name).
Folders Populate(const std::filesystem::path& prefix, int values, int links, bool allFound) {
    auto machine = Open(prefix);
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::InitGlobals(*machine, ProgramDir(), globals, language);
    auto& fs = machine->fileSystem();
    for (int p = 0; p < 100; ++p) {
        const std::string folder = fmt::format("C:\\Program Files\\Vendor {}", p);
        (void)fs.createDirectoryTree(folder);
        (void)fs.writeFile(fmt::format("{}\\app {}.exe", folder, p), "MZ");
    }
    auto& registry = machine->registry();
    for (const auto& source : startup::kStartupSources) {
        if (source.kind != startup::RegistryValue) continue;
        auto key = registry.createKey(source.root, source.keyPath);
        if (!key) std::exit(1);
        for (int i = 0; i < values; ++i) {
            const int p = i % 100;
            std::string command;
            switch (allFound ? 1 : i % 3) {
                case 0:
                    command =
                        fmt::format("C:\\Program Files\\Vendor {}\\app {}.exe /tray -x", p, p);
                    break;
                case 1:
                    command =
                        fmt::format("\"C:\\Program Files\\Vendor {}\\app {}.exe\" -min", p, p);
                    break;
                default:
                    command = fmt::format("agent{}.exe --background", i);
            }
            if (!allFound && i % 10 == 9)
                command = fmt::format("C:\\Gone\\Vendor {}\\x {}.exe /y", i, i);
            (void)(*key)->setValue(fmt::format("Entry {}", i), platform::RegValue::string(command));
        }
    }
    if (auto s = registry.flush(); !s) {
        std::fprintf(stderr, "flush: %s\n", s.message().c_str());
        std::exit(1);
    }
    Folders folders{globals.CommonStartup, globals.UserStartup};
    for (const std::string& folder : {folders.common, folders.user}) {
        (void)fs.createDirectoryTree(folder);
        for (int i = 0; i < links; ++i) {
            platform::ShellLink link;
            link.setTarget(
                fmt::format("C:\\Program Files\\Vendor {}\\app {}.exe", i % 100, i % 100));
            link.arguments = "/startup";
            (void)machine->shell().writeLink(fmt::format("{}Link {}.lnk", folder, i), link);
        }
    }
    return folders;
}

struct Run {
    double wall = 0;
    double cpu = 0;
    std::size_t entries = 0;
};

Run TimeScan(const std::filesystem::path& prefix) {
    auto machine = Open(prefix);
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::InitGlobals(*machine, ProgramDir(), globals, language);
    core::ProtectedFolders protectedFolders;
    core::Context context{*machine, globals, language, protectedFolders};
    core::HeadlessUiBridge bridge;
    core::StatusSink status;
    startup::StartupFindings findings;
    std::vector<startup::TStartupData> every;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    startup::TStartupScan scan(findings, status, context, bridge, &every);
    scan.start();
    scan.wait();
    Run run{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds() - cpu, every.size()};
    if (!scan.databaseStatus()) std::fprintf(stderr, "no data/startup.dat beside the benchmark\n");
    return run;
}

// Opens each key and reads each value as text; lists each folder and reads each shortcut.
Run TimeBareRead(const std::filesystem::path& prefix, const Folders& folders) {
    auto machine = Open(prefix);
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    std::size_t entries = 0;
    std::size_t bytes = 0;
    for (const auto& source : startup::kStartupSources) {
        if (source.kind != startup::RegistryValue) continue;
        auto key = machine->registry().openKey(source.root, source.keyPath);
        if (!key) continue;
        for (const auto& v : (*key)->values()) {
            if (const auto text = v.value.asString()) bytes += text->size();
            ++entries;
        }
    }
    for (const std::string& folder : {folders.common, folders.user}) {
        for (const auto& found : machine->fileSystem().find(folder + "*.*")) {
            if (found.isDirectory()) continue;
            if (const auto link = machine->shell().readLink(folder + found.name))
                bytes += link->targetPath().size();
            ++entries;
        }
    }
    Run run{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds() - cpu, entries};
    if (bytes == 0) std::fprintf(stderr, "nothing read\n");
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int values = 2000;
    int links = 500;
    int runs = 5;
    bool allFound = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const int n = std::atoi(argv[i + 1]);
        if (arg == "--values") values = n;
        if (arg == "--links") links = n;
        if (arg == "--runs") runs = std::max(1, n);
        if (arg == "--all-found") allFound = n != 0;
    }
    const auto temp = std::filesystem::temp_directory_path() /
                      fmt::format("quorvel-bench-startup-{}", static_cast<long>(::getpid()));
    const auto prefix = temp / "machine";
    if (auto s = platform::wineprefix::copyDemoMachine(ProgramDir() / "demo", prefix); !s) {
        std::fprintf(stderr, "no demo machine beside the benchmark: %s\n", s.message().c_str());
        return 1;
    }
    const Folders folders = Populate(prefix, values, links, allFound);
    std::vector<Run> scans, bares;
    for (int r = 0; r < runs; ++r) {
        bares.push_back(TimeBareRead(prefix, folders));
        scans.push_back(TimeScan(prefix));
    }
    const auto best = [](std::vector<Run> v) {
        std::sort(v.begin(), v.end(), [](const Run& a, const Run& b) { return a.wall < b.wall; });
        return v.front();
    };
    const Run scan = best(scans);
    const Run bare = best(bares);
    fmt::print("entries: scan {}, bare read {}\n", scan.entries, bare.entries);
    fmt::print("bare read: {:.3f} s wall, {:.3f} s CPU\n", bare.wall, bare.cpu);
    fmt::print("full scan: {:.3f} s wall, {:.3f} s CPU\n", scan.wall, scan.cpu);
    fmt::print("ratio (wall): {:.2f}x\n", scan.wall / bare.wall);
    std::filesystem::remove_all(temp);
    return 0;
}
