// Load and save speed of the Wine hive code on a large generated hive, next to a plain
// line-by-line read of the same file. Usage: bench_hive_load_save [keys] [load-only]
// (default 1000000 keys; "load-only" stops after the load, for profiling it alone).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/WineRegistry.h"

namespace {

using quorvel::platform::RegAccess;
using quorvel::platform::RegValue;
using quorvel::platform::RootKey;
namespace wp = quorvel::platform::wineprefix;

// Wall-clock and CPU time of one phase; CPU time is the fairer figure on a busy machine.
class Timer {
public:
    Timer() { restart(); }
    void restart() {
        wall_ = std::chrono::steady_clock::now();
        cpu_ = cpuNow();
    }
    void report(const char* what, double mb) const {
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
        const double cpu = cpuNow() - cpu_;
        std::printf("%-52s wall %6.3f s %6.0f MB/s | cpu %6.3f s %6.0f MB/s\n", what, wall,
                    mb / wall, cpu, mb / cpu);
    }

private:
    static double cpuNow() {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
    std::chrono::steady_clock::time_point wall_;
    double cpu_ = 0;
};

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A hive in wineserver's layout: keys in sorted order, three values of mixed types each.
std::string generate(std::size_t keys) {
    std::string out =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    out.reserve(keys * 130);
    char buf[160];
    for (std::size_t i = 0; i < keys; ++i) {
        std::snprintf(buf, sizeof buf,
                      "\n[Software\\\\Bench\\\\G%04zu\\\\Key %04zu] 1700000000\n"
                      "#time=1da1a2b3c4d5e6f\n",
                      i / 1000, i % 1000);
        out += buf;
        switch (i % 3) {
            case 0:
                std::snprintf(buf, sizeof buf,
                              "@=\"C:\\\\Program Files\\\\App %zu\\\\app.exe\"\n"
                              "\"Flags\"=dword:%08zx\n\"Data\"=hex:01,02,03,04,05,06,07,08\n",
                              i, i);
                break;
            case 1:
                std::snprintf(buf, sizeof buf,
                              "\"Path\"=str(2):\"%%ProgramFiles%%\\\\App\\\\%zu\"\n"
                              "\"Size\"=hex(b):%02zx,00,00,00,00,00,00,00\n\"Caf\\xe9\"=\"x\"\n",
                              i, i & 0xFF);
                break;
            default:
                std::snprintf(buf, sizeof buf,
                              "\"List\"=str(7):\"one\\0two %zu\\0\"\n\"On\"=dword:00000001\n"
                              "\"Name\"=\"Entry number %zu\"\n",
                              i, i);
                break;
        }
        out += buf;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t keys = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const auto dir = std::filesystem::temp_directory_path() / "quorvel-bench-hive";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "system.reg";
    {
        const std::string text = generate(keys);
        std::ofstream(file, std::ios::binary) << text;
    }
    const double mb = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    std::printf("hive: %zu keys, %zu values, %.1f MB\n", keys, keys * 3, mb);

    {
        const Timer timer;
        std::ifstream in(file, std::ios::binary);
        std::string line;
        std::size_t lines = 0;
        while (std::getline(in, line))
            ++lines;
        timer.report("plain read, std::getline", mb);
        std::printf("  (%zu lines)\n", lines);
    }

    Timer timer;
    auto registry = wp::WineRegistry::open(dir);
    timer.report("load, WineRegistry::open", mb);
    if (!registry || !(*registry)->problems().empty()) {
        std::printf("load failed\n");
        if (registry)
            for (const auto& p : (*registry)->problems())
                std::printf("  line %zu: %s\n", p.line, p.text.c_str());
        return 1;
    }
    std::printf("  peak memory after load: %ld MB\n", peakMegabytes());
    if (argc > 2 && std::string_view(argv[2]) == "load-only") {
        std::filesystem::remove_all(dir);
        return 0;
    }

    auto key = (*registry)->openKey(RootKey::LocalMachine, "Software\\Bench\\G0000\\Key 0000",
                                    RegAccess::ReadWrite);
    if (!key || !(*key)->setValue("Changed", RegValue::dword(1))) return 1;
    timer.restart();
    const auto saved = (*registry)->flush();
    timer.report(saved ? "save, one key changed (flush, fsync, rename)" : "save FAILED", mb);

    // Every key written anew, as wineserver writes it.
    wp::Hive hive;
    hive.file = file;
    hive.relativeTo = "REGISTRY\\Machine";
    hive.root = std::make_shared<wp::HiveKey>();
    {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        wp::parseHive(hive, std::move(text), {});
    }
    timer.restart();
    const auto kept = wp::writeHive(hive, wp::HiveWriteMode::KeepText);
    timer.report("  text only, unchanged keys copied", mb);
    timer.restart();
    const auto written = wp::writeHive(hive, wp::HiveWriteMode::Regenerate);
    timer.report("  text only, every key regenerated", mb);
    timer.restart();
    const auto st = wp::writeFileAtomically(dir / "regenerated.reg", written.text);
    timer.report(st ? "  file only (write, fsync, rename)" : "  file write FAILED", mb);
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    std::filesystem::remove_all(dir);
    return 0;
}
