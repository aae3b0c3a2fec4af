// carerunner: the one-click runner of the scheduled task. Started with /schedulestart it runs the
// unattended pass on the machine (scan; repair when the scanfix option is on) and prints the
// report that the tray balloon shows. Without the switch there is nothing to do unattended.
//
//   carerunner /schedulestart [--machine DIR]

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "core/paths/ResourceFolder.h"
#include "oneclick/HeadlessSession.h"
#include "oneclick/OneClickSettings.h"
#include "oneclick/TerminalView.h"
#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#ifdef QUORVEL_CARERUNNER_GUI
#include "ui/OneClickWindow.h"
#endif

namespace {

using namespace quorvel;

std::atomic<oneclick::OneClickRun*> gInterruptible{nullptr};

extern "C" void onInterrupt(int) {
    if (auto* run = gInterruptible.load()) run->requestCancel();
}

std::filesystem::path programDir() {
    return core::ResourceFolder(core::ExecutableFolder());
}

int fail(const std::string& message) {
    fmt::print(stderr, "carerunner: {}\n", message);
    return 1;
}

int runPass(const std::optional<std::filesystem::path>& machineOption) {
    const auto inputs = platform::wineprefix::MachineSelectionInputs::fromProcess(
        machineOption, programDir() / "demo");
    const auto choice = platform::wineprefix::selectMachine(inputs);
    if (!choice) return fail(choice.status().message());
    auto opened = platform::wineprefix::WinePrefixMachine::open(choice->prefix);
    if (!opened) return fail(opened.status().message());
    auto& machine = **opened;
    if (!machine.hiveProblems().empty()) {
        return fail("the registry of " + machine.displayName() + " could not be read completely");
    }

    oneclick::TerminalView view(stderr, isatty(STDERR_FILENO) != 0);
    oneclick::HeadlessSession session(machine, programDir(), view);
    auto& run = session.run();
    gInterruptible.store(&run);
    std::signal(SIGINT, onInterrupt);
    const auto result = run.runUnattended(oneclick::LoadScanFix(machine.registry()));
    std::signal(SIGINT, SIG_DFL);
    gInterruptible.store(nullptr);

    int exitCode = 0;
    if (result.cancelled) {
        fmt::print("Cancelled.\n");
        exitCode = 130;
    } else {
        fmt::print("{}\n", view.balloonTitle());
        for (const auto& line : result.lines)
            fmt::print("{}\n", line);
        if (result.repaired && !run.currentBackupId().empty()) {
            fmt::print("Backup entry: {}\n", run.currentBackupId());
        }
        if (!result.closesAfterBalloon) {
            fmt::print("Findings wait for a repair.\n");
        }
    }
    if (!run.repairProblem().empty()) {
        fmt::print(stderr, "carerunner: {}\n", run.repairProblem());
        exitCode = 1;
    }
    if (const auto s = machine.registry().flush(); !s) {
        fmt::print(stderr, "carerunner: the settings could not be saved: {}\n", s.message());
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef QUORVEL_CARERUNNER_GUI
    if (quorvel::ui::WantsOneClickWindow()) return quorvel::ui::RunOneClickWindow(argc, argv);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> machineOption;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--machine" && i + 1 < args.size()) {
            machineOption = args[++i];
        } else if (args[i].rfind("--machine=", 0) == 0) {
            machineOption = args[i].substr(10);
        } else {
            return fail("unknown argument \"" + args[i] + "\"");
        }
    }
    if (!oneclick::IsScheduleStart(args)) {
        fmt::print("usage: carerunner /schedulestart [--machine DIR]\n");
        return args.empty() ? 0 : 2;
    }
    return runPass(machineOption);
}
