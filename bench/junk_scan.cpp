// Speed of the temporary-files category on a generated Temp folder of a copy of the demo
// machine: the junk scan against `find DIR -type f -printf '%s\n'` over the same tree, and the
// clean against `rm -rf` of a copy of it. Usage: bench_junk_scan DEMO-FOLDER [files] [folders]
// (default 1000000 files in 10000 folders; sizes vary, a third are younger than two days).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "junk/JunkClean.h"
#include "junk/JunkScan.h"
#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace quorvel;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double timeCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds(start);
}

// files spread over folders; every third file written now, the others ten days ago.
void plant(const fs::path& root, long files, long folders) {
    const timespec old{std::time(nullptr) - 10 * 86400L, 0};
    const timespec times[2] = {old, old};
    std::string block(4096, 'j');
    for (long i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "d%ld", i % folders);
        const fs::path dir = root / name;
        if (i < folders) fs::create_directories(dir);
        std::snprintf(name, sizeof name, "f%ld.tmp", i);
        const fs::path file = dir / name;
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) continue;
        const auto size = static_cast<std::size_t>((i * 7919) % 4096);
        if (::write(fd, block.data(), size) < 0) std::perror("write");
        if (i % 3 != 0) ::futimens(fd, times);
        ::close(fd);
    }
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DEMO-FOLDER [files] [folders]\n", argv[0]);
        return 2;
    }
    const long files = argc > 2 ? std::atol(argv[2]) : 1000000;
    const long folders = argc > 3 ? std::atol(argv[3]) : 10000;
    const fs::path work =
        fs::temp_directory_path() / ("quorvel-bench-junk-" + std::to_string(::getpid()));
    const fs::path prefix = work / "machine";
    if (auto s = platform::wineprefix::copyDemoMachine(argv[1], prefix); !s) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        return 1;
    }
    auto opened = platform::wineprefix::WinePrefixMachine::open(prefix);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.status().message().c_str());
        return 1;
    }
    platform::Machine& machine = **opened;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    core::InitGlobals(machine, work / "program", globals, language);
    core::Context context{machine, globals, language, protectedFolders};
    core::HeadlessUiBridge bridge;
    core::StatusSink status;

    const platform::wineprefix::WineFileSystem prefixFiles(prefix);
    const fs::path temp = prefixFiles.hostPath(globals.TempDir + "bench").value();
    const fs::path copy = work / "copy";
    auto start = std::chrono::steady_clock::now();
    plant(temp, files, folders);
    std::printf("planted %ld files in %ld folders in %.1f s\n", files, folders, seconds(start));
    timeCommand("cp -a '" + temp.string() + "' '" + copy.string() + "'");
    timeCommand("find '" + temp.string() + "' -type f -printf '%s\\n' > /dev/null");  // warm

    const double find =
        timeCommand("find '" + temp.string() + "' -type f -printf '%s\\n' > /dev/null");
    junk::JunkFindings findings;
    start = std::chrono::steady_clock::now();
    {
        junk::TJunkScan scan(findings, status, context, bridge);
        scan.start();
        scan.wait();
    }
    const double scan = seconds(start);
    const long long counted = findings.size() > 1 ? findings[1].Count : -1;

    start = std::chrono::steady_clock::now();
    {
        junk::TJunkClean clean(findings, status, context, bridge);
        clean.start();
        clean.wait();
    }
    const double clean = seconds(start);
    const double rm = timeCommand("rm -rf '" + copy.string() + "'");
    std::printf("temporary files counted %lld (expected %ld)\n", counted, files - (files + 2) / 3);
    std::printf("scan  %.2f s, find  %.2f s: ratio %.2f\n", scan, find, scan / find);
    std::printf("clean %.2f s, rm -rf %.2f s: ratio %.2f\n", clean, rm, clean / rm);
    std::printf("peak memory %ld MB\n", peakMegabytes());
    fs::remove_all(work);
    return 0;
}
