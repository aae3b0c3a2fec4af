// The desktop program answers --help and --version, and a missing display, on the console.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "QuorvelRun.h"

namespace quorvel {
namespace {

std::pair<int, std::string> runVantrel(const std::string& env, const std::string& args) {
    const auto exe = e2e::quorvelExe().parent_path() / "vantrel";
    FILE* pipe = popen((env + " '" + exe.string() + "' " + args + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(VantrelConsole, HelpVersionAndNoDisplayEndAtOnce) {
    if (!std::filesystem::exists(e2e::quorvelExe().parent_path() / "vantrel"))
        GTEST_SKIP() << "the desktop program is not built";
    const std::string headless = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    const auto version = runVantrel(headless, "--version");
    EXPECT_EQ(version.first, 0);
    EXPECT_EQ(version.second.rfind("vantrel ", 0), 0u) << version.second;
    const auto help = runVantrel(headless, "--help");
    EXPECT_EQ(help.first, 0);
    EXPECT_NE(help.second.find("--machine FOLDER"), std::string::npos);
    const auto noDisplay = runVantrel(headless, "");
    EXPECT_EQ(noDisplay.first, 1);
    EXPECT_NE(noDisplay.second.find("no display"), std::string::npos) << noDisplay.second;
}

}  // namespace
}  // namespace quorvel
