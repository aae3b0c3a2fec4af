#include "CliContext.h"

#include <unistd.h>

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include "core/paths/ResourceFolder.h"
#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::cli {

using platform::wineprefix::MachineSelectionInputs;
using platform::wineprefix::MachineSource;

namespace {

platform::LockWait lockWait() {
    return {std::chrono::seconds(30), [](std::string_view holder) {
                fmt::print(stderr, "quorvel: waiting for {} to finish changing the machine...\n",
                           holder);
                std::fflush(stderr);
            }};
}

}  // namespace

int fail(const std::string& message) {
    fmt::print(stderr, "quorvel: {}\n", message);
    return 1;
}

CliContext::CliContext(CLI::App& app) {
    app.add_option("--machine", machineOption_,
                   "The Wine prefix to work on (default: $WINEPREFIX, else ~/.wine, else the demo "
                   "machine)");
    app.add_flag("--fresh-demo", freshDemo_,
                 "Work on a fresh copy of the bundled demo machine (replaces the previous copy)");
}

CliContext::~CliContext() = default;

std::filesystem::path CliContext::programDir() {
    return core::ResourceFolder(core::ExecutableFolder());
}

platform::wineprefix::WinePrefixMachine* CliContext::machine() {
    return open(false);
}

platform::wineprefix::WinePrefixMachine* CliContext::machineForWriting() {
    return open(true);
}

platform::wineprefix::WinePrefixMachine* CliContext::open(bool forWriting) {
    if (tried_) {
        if (!machine_ || !forWriting || writeLock_) return machine_.get();
        auto lock = machine_->lockForWriting(lockWait());
        if (!lock) {
            exitCode = fail(lock.status().message());
            return nullptr;
        }
        writeLock_ = std::move(lock).value();
        return machine_.get();
    }
    tried_ = true;
    if (freshDemo_ && !machineOption_.empty()) {
        exitCode = fail("--fresh-demo and --machine cannot be used together");
        return nullptr;
    }
    auto inputs = MachineSelectionInputs::fromProcess(
        machineOption_.empty() ? std::nullopt
                               : std::optional<std::filesystem::path>(machineOption_),
        demoSource());
    if (freshDemo_) {
        const auto folder = platform::wineprefix::demoMachineFolder(inputs);
        if (!folder) {
            exitCode = fail("no data folder for the demo machine: HOME is not set");
            return nullptr;
        }
        if (auto s = platform::wineprefix::copyDemoMachine(inputs.demoSource, *folder); !s) {
            exitCode = fail(s.message());
            return nullptr;
        }
        inputs.machineOption = *folder;
    }
    const auto choice = platform::wineprefix::selectMachine(inputs);
    if (!choice) {
        exitCode = fail(choice.status().message());
        return nullptr;
    }
    switch (choice->source) {
        case MachineSource::Option:
            machineSource_ = freshDemo_ ? "demo machine" : "--machine";
            break;
        case MachineSource::WinePrefix:
            machineSource_ = "WINEPREFIX";
            break;
        case MachineSource::HomeWine:
            machineSource_ = "~/.wine";
            break;
        case MachineSource::Demo:
            machineSource_ = "demo machine";
            break;
    }
    std::shared_ptr<platform::wineprefix::PrefixLock> held;
    if (forWriting) {
        auto lock = platform::wineprefix::WinePrefixMachine::lockPrefix(choice->prefix, lockWait());
        if (!lock) {
            exitCode = fail(lock.status().message());
            return nullptr;
        }
        held = std::move(lock).value();
    }
    auto opened = platform::wineprefix::WinePrefixMachine::open(choice->prefix, held);
    if (!opened) {
        exitCode = fail(opened.status().message());
        return nullptr;
    }
    machine_ = std::move(opened).value();
    if (held) writeLock_ = std::make_unique<platform::wineprefix::PrefixLockHandle>(held);
    for (const auto& problem : machine_->hiveProblems())
        fmt::print(stderr, "quorvel: warning: {} line {}: {}\n", problem.file.string(),
                   problem.line, problem.text);
    return machine_.get();
}

}  // namespace quorvel::cli
