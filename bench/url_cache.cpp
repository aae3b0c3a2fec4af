// Enumeration speed of the URL cache index reader on a generated index.dat, next to a plain
// sequential read of the same file. Usage: bench_url_cache [entries] [runs] (default 100000
// entries, 5 runs). Short addresses keep every entry in one 128-byte block, so that 100000
// entries fit the largest index wininet keeps (16 MB).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/wineprefix/UrlCacheFile.h"

namespace {

namespace urlcache = quorvel::platform::wineprefix::urlcache;

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(std::filesystem::file_size(file), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

template <class F>
double best(int runs, F f) {
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        fastest = std::min(
            fastest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return fastest;
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<urlcache::NewEntry> planned;
    planned.reserve(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        urlcache::NewEntry e;
        e.url = "http://a/" + std::to_string(i);
        e.localName = std::to_string(i);
        e.size = static_cast<std::uint64_t>(i % 70000);
        planned.push_back(std::move(e));
    }
    const auto file = std::filesystem::temp_directory_path() / "quorvel-bench-index.dat";
    { std::ofstream(file, std::ios::binary) << urlcache::build({"BENCH001"}, planned); }
    const auto size = std::filesystem::file_size(file);
    std::size_t listed = 0;
    const double read = best(runs, [&] { listed = readFile(file).size(); });
    const double enumerate = best(runs, [&] {
        auto index = urlcache::parse(readFile(file));
        listed = index ? index->entries.size() : 0;
    });
    std::filesystem::remove(file);
    std::printf("index.dat %.1f MB, %zu of %d entries listed\n", size / 1e6, listed, entries);
    std::printf("sequential read  %.4f s\nenumeration      %.4f s\nratio            %.2f\n", read,
                enumerate, enumerate / read);
    std::printf("peak memory      %ld MB\n", peakMegabytes());
    return listed == static_cast<std::size_t>(entries) ? 0 : 1;
}
