#include "QuorvelRun.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/HostFiles.h"

namespace quorvel::e2e {

namespace fs = std::filesystem;

fs::path quorvelExe() {
    std::error_code error;
    auto self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::current_path() : self.parent_path()) / "quorvel";
}

std::pair<int, std::string> runQuorvel(const std::string& args) {
    FILE* pipe = popen(("'" + quorvelExe().string() + "' " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string machineArg(const fs::path& prefix) {
    return "--machine '" + prefix.string() + "' ";
}

std::string fullExport(const fs::path& prefix, const fs::path& work) {
    std::string all;
    for (const char* root : {"HKLM", "HKU"}) {
        const fs::path file = work / (std::string(root) + ".reg");
        fs::remove(file);
        const auto [code, out] =
            runQuorvel(machineArg(prefix) + "reg export " + root + " '" + file.string() + "'");
        EXPECT_EQ(code, 0) << "reg export " << root;
        std::istringstream lines(testing::ReadUtf16File(file));
        bool skipping = false;
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.front() == '[')
                skipping = line.find("\\Software\\QuorvelSoft") != std::string::npos;
            if (!skipping) all += line + "\n";
        }
    }
    return all;
}

std::string newestBackup(const fs::path& prefix) {
    const auto [code, out] = runQuorvel(machineArg(prefix) + "backups list");
    if (code != 0 || out.empty()) return {};
    const auto tab = out.find('\t');
    if (tab == std::string::npos) return {};
    return out.substr(0, tab);
}

void copyPrefix(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

}  // namespace quorvel::e2e
