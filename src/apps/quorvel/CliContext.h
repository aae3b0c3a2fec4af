#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/WriteLock.h"

namespace CLI {
class App;
}

namespace quorvel::platform::wineprefix {
class WinePrefixMachine;
}

namespace quorvel::cli {

// What every command shares: the global options that choose the machine, the machine once
// opened, and the exit code the command leaves.
class CliContext {
public:
    // Adds --machine and --fresh-demo to the application.
    explicit CliContext(CLI::App& app);
    ~CliContext();
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    // The machine chosen by --machine, $WINEPREFIX, ~/.wine or the demo machine, opened on first
    // use. nullptr after the reason was written to stderr (exitCode is then 1).
    platform::wineprefix::WinePrefixMachine* machine();
    // The same machine for a command that changes it: its write lock is taken before the hives
    // are loaded and kept until the command ends. Another writer is waited for (with a message)
    // for up to half a minute, then the command fails naming it.
    platform::wineprefix::WinePrefixMachine* machineForWriting();
    // How the machine was chosen, for people ("--machine", "WINEPREFIX", "~/.wine", "demo
    // machine").
    const std::string& machineSource() const { return machineSource_; }

    // The folder of the program's own files (the bundled demo machine is its demo/ folder).
    static std::filesystem::path programDir();
    static std::filesystem::path demoSource() { return programDir() / "demo"; }

    int exitCode = 0;

private:
    platform::wineprefix::WinePrefixMachine* open(bool forWriting);

    std::string machineOption_;
    bool freshDemo_ = false;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine_;
    std::string machineSource_;
    bool tried_ = false;
    platform::WriteLockPtr writeLock_;
};

// Writes "quorvel: <message>" to stderr and returns 1, the exit code of a failed command.
int fail(const std::string& message);

}  // namespace quorvel::cli
