// Load and save speed of the Wine hive code on a large generated hive, next to a plain
// line-by-line read of the same file. Usage: bench_hive_load_save [keys] [runs] [load-only]
// (default 1000000 keys, 5 runs of each; "load-only" stops after the load, for profiling).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/WineRegistry.h"

namespace {

using quorvel::platform::RegAccess;
using quorvel::platform::RegValue;
using quorvel::platform::RootKey;
namespace wp = quorvel::platform::wineprefix;

struct Sample {
    double wall = 0;
    double cpu = 0;  // of every thread of the process
};

class Timer {
public:
    Timer() { restart(); }
    void restart() {
        wall_ = std::chrono::steady_clock::now();
        cpu_ = cpuNow();
    }
    Sample elapsed() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
                cpuNow() - cpu_};
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

// Best and median of several runs: single runs on a shared machine vary by a third and more.
void report(const char* what, std::vector<Sample> runs, double mb) {
    std::sort(runs.begin(), runs.end(),
              [](const Sample& a, const Sample& b) { return a.wall < b.wall; });
    const Sample best = runs.front();
    const Sample median = runs[runs.size() / 2];
    double cpu = runs.front().cpu;
    for (const Sample& r : runs)
        cpu = std::min(cpu, r.cpu);
    std::printf("%-34s wall best %6.3f s %5.0f MB/s, median %6.3f s %5.0f MB/s | cpu %6.3f s\n",
                what, best.wall, mb / best.wall, median.wall, mb / median.wall, cpu);
}

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

// Keys in reverse name order, as a hand-edited or script-made hive may have them.
std::string generateReversed(std::size_t keys) {
    std::string out =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    char buf[96];
    for (std::size_t i = keys; i-- > 0;) {
        std::snprintf(buf, sizeof buf,
                      "\n[Software\\\\Reversed\\\\Key %06zu] 1700000000\n\"V\"=dword:1\n", i);
        out += buf;
    }
    return out;
}

int main(int argc, char** argv) {
    const std::size_t keys = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const std::size_t runs =
        std::max<std::size_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5, 1);
    const bool loadOnly = argc > 3 && std::string_view(argv[3]) == "load-only";
    const auto dir = std::filesystem::temp_directory_path() / "quorvel-bench-hive";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "system.reg";
    {
        const std::string text = generate(keys);
        std::ofstream(file, std::ios::binary) << text;
    }
    const double mb = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    std::printf("hive: %zu keys, %zu values, %.1f MB; %zu runs each\n", keys, keys * 3, mb, runs);

    std::vector<Sample> samples;
    for (std::size_t run = 0; run < runs; ++run) {
        const Timer timer;
        std::ifstream in(file, std::ios::binary);
        std::string line;
        std::size_t lines = 0;
        while (std::getline(in, line))
            ++lines;
        samples.push_back(timer.elapsed());
    }
    report("plain read, std::getline", samples, mb);

    samples.clear();
    std::unique_ptr<wp::WineRegistry> registry;
    long peakAfterLoad = 0;
    for (std::size_t run = 0; run < runs; ++run) {
        registry.reset();
        const Timer timer;
        auto opened = wp::WineRegistry::open(dir);
        samples.push_back(timer.elapsed());
        if (!opened || !(*opened)->problems().empty()) {
            std::printf("load failed\n");
            if (opened)
                for (const auto& p : (*opened)->problems())
                    std::printf("  line %zu: %s\n", p.line, p.text.c_str());
            return 1;
        }
        registry = std::move(opened).value();
        if (run == 0) peakAfterLoad = peakMegabytes();
    }
    report("load, WineRegistry::open", samples, mb);
    std::printf("  peak memory after the first load: %ld MB\n", peakAfterLoad);
    if (loadOnly) {
        std::filesystem::remove_all(dir);
        return 0;
    }

    samples.clear();
    {
        auto key = registry->openKey(RootKey::LocalMachine, "Software\\Bench\\G0000\\Key 0000",
                                     RegAccess::ReadWrite);
        if (!key) return 1;
        for (std::size_t run = 0; run < runs; ++run) {
            if (!(*key)->setValue("Changed", RegValue::dword(static_cast<std::uint32_t>(run))))
                return 1;
            const Timer timer;
            const auto saved = registry->flush();
            samples.push_back(timer.elapsed());
            if (!saved) {
                std::printf("save failed: %s\n", saved.message().c_str());
                return 1;
            }
        }
    }
    report("save, one key changed", samples, mb);
    registry.reset();

    // The parts of a save, and a save with every key written anew as wineserver writes it.
    wp::Hive hive;
    hive.file = file;
    hive.relativeTo = "REGISTRY\\Machine";
    hive.root = std::make_shared<wp::HiveKey>();
    wp::parseHive(hive, *wp::readHiveFile(file).text, {});
    Timer timer;
    const auto kept = wp::writeHive(hive, wp::HiveWriteMode::KeepText);
    report("  text, unchanged keys copied", {timer.elapsed()}, mb);
    timer.restart();
    const auto written = wp::writeHive(hive, wp::HiveWriteMode::Regenerate);
    report("  text, every key regenerated", {timer.elapsed()}, mb);
    timer.restart();
    const auto st = wp::writeFileAtomically(dir / "regenerated.reg", written.text);
    report(st ? "  file (write, fsync, rename)" : "  file write FAILED", {timer.elapsed()}, mb);

    // A hive whose keys come in reverse order (was quadratic in the number of keys).
    const auto reversedDir = dir / "reversed";
    std::filesystem::create_directories(reversedDir);
    std::ofstream(reversedDir / "system.reg", std::ios::binary) << generateReversed(keys / 10);
    timer.restart();
    const auto reversed = wp::WineRegistry::open(reversedDir);
    const double reversedMb =
        static_cast<double>(std::filesystem::file_size(reversedDir / "system.reg")) /
        (1024.0 * 1024.0);
    std::printf("reversed hive, %zu keys:\n", keys / 10);
    report("  load", {timer.elapsed()}, reversedMb);
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    std::filesystem::remove_all(dir);
    return reversed ? 0 : 1;
}
