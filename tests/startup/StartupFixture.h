#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/CompressedData.h"
#include "startup/StartupScan.h"
#include "support/EngineSession.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace quorvel::testing {

// A built machine with a program folder whose data/startup.dat holds the given ratings lines,
// and the tools to run the startup workers on it.
class StartupFixture : public ::testing::Test {
protected:
    static constexpr const char* kRun = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kCommentKey =
        "HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\startup\\comment";

    void writeDatabase(const std::vector<std::string>& lines) {
        std::filesystem::create_directories(programDir.path() / "data");
        std::ofstream(programDir.path() / "data" / "startup.dat", std::ios::binary)
            << core::CompressLines(lines);
    }

    // Opens the machine (after the builder's changes) and fills the environment record.
    void open() {
        session.reset();
        machine = b.build();
        session.emplace(*machine, programDir.path());
    }

    void shortcut(const std::string& path, const std::string& target, const std::string& args) {
        platform::ShellLink link;
        link.setTarget(target);
        if (!args.empty()) link.arguments = args;
        ASSERT_TRUE(machine->shell().writeLink(path, link));
    }

    template <class W, class... Args>
    W& run(Args&&... args) {
        return session->run<W>(findings, session->status, session->context, session->bridge,
                               std::forward<Args>(args)...);
    }
    startup::TStartupScan& scan(std::vector<startup::TStartupData>* every = nullptr) {
        findings.clear();
        return run<startup::TStartupScan>(every);
    }
    core::TGlobalVars& globals() { return session->globals; }

    TempDir programDir;
    MachineBuilder b;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine;
    std::optional<EngineSession> session;
    startup::StartupFindings findings;
};

}  // namespace quorvel::testing
