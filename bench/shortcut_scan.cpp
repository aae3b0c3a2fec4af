// Speed of the shortcut scan on a generated program menu of 20,000 shortcuts (a tenth of them
// broken) in 2,000 folders, next to a loop that only opens and parses the same files. The
// targets lie in 2,000 program folders under a hundred vendor folders.
//
// Usage: bench_shortcut_scan [--scale F] [--rounds N]
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
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
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "shortcuts/ShortcutsScan.h"

namespace {

namespace core = quorvel::core;
namespace platform = quorvel::platform;
namespace fs = std::filesystem;

constexpr const char* kMenu = "users/bench/AppData/Roaming/Microsoft/Windows/Start Menu/Programs";

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

fs::path ProgramDir() {
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).parent_path();
}

void WriteHives(const fs::path& prefix) {
    std::ofstream(prefix / "system.reg")
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
           "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
           "\"CurrentVersion\"=\"6.1\"\n\"CurrentBuildNumber\"=\"7601\"\n"
           "\"SystemRoot\"=\"C:\\\\windows\"\n\n"
           "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1700000000\n"
           "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n";
    std::ofstream(prefix / "user.reg")
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
           "#arch=win64\n\n[Volatile Environment] 1700000000\n"
           "\"USERPROFILE\"=\"C:\\\\users\\\\bench\"\n\"USERNAME\"=\"bench\"\n"
           "\"APPDATA\"=\"C:\\\\users\\\\bench\\\\AppData\\\\Roaming\"\n";
    std::ofstream(prefix / "userdef.reg")
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n\n"
           "#arch=win64\n\n[Software] 1700000000\n";
}

// Returns the Windows paths of every shortcut written.
std::vector<std::string> Generate(const fs::path& prefix, int folders, int perFolder) {
    const fs::path drive = prefix / "drive_c";
    fs::create_directories(drive / "windows" / "system32");
    fs::create_directories(prefix / "dosdevices");
    fs::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directories(drive / "users/bench/Desktop");
    WriteHives(prefix);
    std::vector<std::string> links;
    int serial = 0;
    for (int f = 0; f < folders; ++f) {
        // A hundred vendors with twenty programs each, as a Program Files folder looks.
        const std::string program = fmt::format("Vendor{:03}\\App{:02}", f / 20, f % 20);
        const fs::path programHost = drive / "Program Files" / fmt::format("Vendor{:03}", f / 20) /
                                     fmt::format("App{:02}", f % 20);
        fs::create_directories(programHost);
        std::ofstream(programHost / "app.exe") << "MZ";
        const std::string vendor = fmt::format("Vendor{:04}", f);
        const std::string group = fmt::format("Group{:03}\\{}", f / 20, vendor);
        const fs::path host = drive / kMenu / fmt::format("Group{:03}", f / 20) / vendor;
        fs::create_directories(host);
        for (int i = 0; i < perFolder; ++i, ++serial) {
            const bool broken = serial % 10 == 3;
            platform::ShellLink link;
            // A broken one names a program removed from its vendor's folder.
            link.setTarget(fmt::format("C:\\Program Files\\{}{}\\app.exe", program,
                                       broken ? fmt::format("\\Removed{}", serial) : ""));
            link.description = fmt::format("Shortcut {}", serial);
            link.workingDirectory = fmt::format("C:\\Program Files\\{}", program);
            const std::string name = fmt::format("Item {:05}.lnk", serial);
            std::ofstream(host / name, std::ios::binary) << platform::shelllink::serialize(link);
            links.push_back(
                "C:\\users\\bench\\AppData\\Roaming\\Microsoft\\Windows\\Start "
                "Menu\\Programs\\" +
                group + "\\" + name);
        }
    }
    return links;
}

}  // namespace

int main(int argc, char** argv) {
    double scale = 1.0;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--scale" && i + 1 < argc) {
            scale = std::atof(argv[++i]);
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            fmt::print(stderr, "usage: bench_shortcut_scan [--scale F] [--rounds N]\n");
            return 2;
        }
    }
    const int folders = std::max(1, static_cast<int>(2000 * scale));
    const fs::path folder =
        fs::temp_directory_path() / fmt::format("quorvel-bench-shortcuts-{}", ::getpid());
    const auto links = Generate(folder / "prefix", folders, 10);
    fmt::print("generated:  {} shortcuts in {} folders\n", links.size(), folders);

    auto opened = platform::wineprefix::WinePrefixMachine::open(folder / "prefix");
    if (!opened) {
        fmt::print(stderr, "cannot open the generated machine: {}\n", opened.status().message());
        return 1;
    }
    auto& machine = **opened;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::InitGlobals(machine, ProgramDir(), globals, language);
    core::ProtectedFolders protectedFolders;
    const core::Context context{machine, globals, language, protectedFolders};

    double bestParse = 1e9, bestScan = 1e9;
    std::size_t parsed = 0, findings = 0;
    std::int64_t examined = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = CpuSeconds();
        parsed = 0;
        for (const auto& path : links)
            parsed += machine.shell().readLink(path).isOk();
        bestParse = std::min(bestParse, CpuSeconds() - start);

        core::HeadlessUiBridge bridge;
        core::StatusSink status;
        quorvel::shortcuts::ShortcutFindings list;
        start = CpuSeconds();
        quorvel::shortcuts::TShortcutsScan scan(list, status, context, bridge);
        scan.start();
        scan.wait();
        bestScan = std::min(bestScan, CpuSeconds() - start);
        findings = list.size();
        examined = scan.examined();
    }
    fmt::print("parse only: {} files parsed, {:.3f} s CPU, {:.0f} files/s\n", parsed, bestParse,
               static_cast<double>(parsed) / bestParse);
    fmt::print("full scan:  {} files examined, {} findings, {:.3f} s CPU, {:.0f} files/s\n",
               examined, findings, bestScan, static_cast<double>(examined) / bestScan);
    fmt::print("ratio:      {:.2f} x the parse-only loop (goal: at most 1.5)\n",
               bestScan / bestParse);
    fmt::print("peak RSS:   {} MB\n", PeakMegabytes());
    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
