#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/formats/CompressedData.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "startup/StartupScan.h"
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
        machine = b.build();
        globals = {};
        context = std::make_unique<core::Context>(
            core::Context{*machine, globals, language, protectedFolders});
        core::InitGlobals(*machine, programDir.path(), globals, language);
    }

    void shortcut(const std::string& path, const std::string& target, const std::string& args) {
        platform::ShellLink link;
        link.setTarget(target);
        if (!args.empty()) link.arguments = args;
        ASSERT_TRUE(machine->shell().writeLink(path, link));
    }

    template <class W, class... Args>
    W& run(Args&&... args) {
        worker = std::make_unique<W>(std::forward<Args>(args)...);
        worker->start();
        worker->wait();
        return static_cast<W&>(*worker);
    }

    startup::TStartupScan& scan(std::vector<startup::TStartupData>* every = nullptr) {
        findings.clear();
        return run<startup::TStartupScan>(findings, status, *context, bridge, every);
    }

    TempDir programDir;
    MachineBuilder b;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    std::unique_ptr<core::Context> context;
    core::HeadlessUiBridge bridge;
    core::StatusSink status;
    startup::StartupFindings findings;
    std::unique_ptr<core::Worker> worker;
};

}  // namespace quorvel::testing
