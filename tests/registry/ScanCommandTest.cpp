#include <sys/wait.h>

#include <cstdio>

#include "ScanFixture.h"

namespace quorvel::registry::checktests {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
};

// Runs the quorvel executable beside the tests with stderr dropped.
Outcome Quorvel(const std::string& args) {
    const auto exe = ScanFixture::programDir() / "quorvel";
    Outcome outcome;
    FILE* pipe = popen(("'" + exe.string() + "' " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        outcome.out.append(buffer, n);
    const int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

class ScanCommand : public ScanFixture {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(programDir() / "quorvel")) {
            GTEST_SKIP() << "the quorvel executable is not built";
        }
        builder.value("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Agent",
                      RegValue::string("C:\\Gone\\agent \"x\".exe"));
        builder.build();
    }
    std::string machine() const { return "--machine '" + builder.prefix().string() + "' "; }
};

TEST_F(ScanCommand, ListsFindingsAsTextAndJsonAndRefusesAMissingMachine) {
    const Outcome text = Quorvel(machine() + "scan registry");
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
                            "    Value:   Agent\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("registry problems found.\n"), std::string::npos);

    const Outcome json = Quorvel(machine() + "scan registry --json");
    EXPECT_EQ(json.exitCode, 0);
    ASSERT_FALSE(json.out.empty());
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_NE(
        json.out.find("\"value\": \"Agent\", \"data\": \"C:\\\\Gone\\\\agent \\\"x\\\".exe\""),
        std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"kind\": 2"), std::string::npos);

    const Outcome missing =
        Quorvel("--machine '" + (builder.prefix() / "nothing").string() + "' scan registry");
    EXPECT_NE(missing.exitCode, 0);
}

}  // namespace
}  // namespace quorvel::registry::checktests
