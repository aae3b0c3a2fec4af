// Load and save speed of the Wine hive code on a large generated hive, next to a plain
// line-by-line read of the same file. Usage: bench_hive_load_save [keys] (default 1000000).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/WineRegistry.h"

namespace {

using quorvel::platform::RegAccess;
using quorvel::platform::RegValue;
using quorvel::platform::RootKey;
namespace wp = quorvel::platform::wineprefix;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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
                              i & 0xFF);
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
        const auto start = std::chrono::steady_clock::now();
        std::ifstream in(file, std::ios::binary);
        std::string line;
        std::size_t lines = 0;
        while (std::getline(in, line))
            ++lines;
        const double s = seconds(start);
        std::printf("plain getline read: %.3f s, %.0f MB/s (%zu lines)\n", s, mb / s, lines);
    }

    auto start = std::chrono::steady_clock::now();
    auto registry = wp::WineRegistry::open(dir);
    double s = seconds(start);
    if (!registry || !(*registry)->problems().empty()) {
        std::printf("load failed\n");
        return 1;
    }
    std::printf("load (WineRegistry::open): %.3f s, %.0f MB/s, peak memory %ld MB\n", s, mb / s,
                peakMegabytes());

    auto key = (*registry)->openKey(RootKey::LocalMachine, "Software\\Bench\\G0000\\Key 0000",
                                    RegAccess::ReadWrite);
    if (!key || !(*key)->setValue("Changed", RegValue::dword(1))) return 1;
    start = std::chrono::steady_clock::now();
    const auto saved = (*registry)->flush();
    s = seconds(start);
    std::printf("save, one key changed (flush: copy + fsync + rename): %.3f s, %.0f MB/s%s\n", s,
                mb / s, saved ? "" : " FAILED");

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
    start = std::chrono::steady_clock::now();
    const auto written = wp::writeHive(hive, wp::HiveWriteMode::Regenerate);
    const auto st = wp::writeFileAtomically(dir / "regenerated.reg", written.text);
    s = seconds(start);
    std::printf("save, every key regenerated (+ fsync + rename): %.3f s, %.0f MB/s%s\n", s, mb / s,
                st ? "" : " FAILED");
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    std::filesystem::remove_all(dir);
    return 0;
}
