// Speed of the shell's format readers: version resources of every DLL Wine installs (the
// details views and the startup scan read one per file) and shortcut read/write round trips
// (the shortcut scan reads every .lnk of the menus and desktop).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/pe/PeVersionReader.h"
#include "platform/shelllink/ShellLinkFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::string data(std::filesystem::file_size(p), '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    namespace qp = quorvel::platform;
    const std::filesystem::path dir =
        argc > 1 ? argv[1] : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
    std::vector<std::string> images;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        if (e.is_regular_file() && e.path().extension() == ".dll") images.push_back(readFile(e));
    }
    std::size_t bytes = 0, withVersion = 0;
    auto start = Clock::now();
    for (const auto& image : images) {
        bytes += image.size();
        if (qp::pe::readVersionInfo(image)) ++withVersion;
    }
    const double versionSeconds = secondsSince(start);
    std::printf("version resources: %zu images (%zu with one, %.1f MB) in %.3f s: %.0f images/s\n",
                images.size(), withVersion, bytes / 1e6, versionSeconds,
                images.size() / (versionSeconds > 0 ? versionSeconds : 1e-9));

    qp::ShellLink link;
    qp::LinkInfo info;
    info.volume = qp::LinkVolume{3, 0x1234, "SYSTEM"};
    info.localBasePath = "C:\\Program Files\\Some Vendor\\Some Application\\app.exe";
    link.linkInfo = info;
    link.description = "Starts the application";
    link.workingDirectory = "C:\\Program Files\\Some Vendor\\Some Application";
    link.iconLocation = info.localBasePath;
    const std::string bytesOfLink = qp::shelllink::serialize(link);
    constexpr int kRounds = 200000;
    std::size_t total = 0;
    start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        const auto parsed = qp::shelllink::parse(bytesOfLink);
        total += qp::shelllink::serialize(*parsed).size() + parsed->targetPath().size();
    }
    const double linkSeconds = secondsSince(start);
    std::printf("shortcuts: %d read+write round trips of %zu bytes in %.3f s: %.0f/s (%zu)\n",
                kRounds, bytesOfLink.size(), linkSeconds, kRounds / linkSeconds, total);
    return 0;
}
