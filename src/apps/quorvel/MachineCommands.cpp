#include "MachineCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include "CliContext.h"
#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::cli {
namespace {

using platform::DriveType;
using platform::OsVersion;

std::string windowsName(const OsVersion& v) {
    if (v.major == 10 && v.build >= 22000) return "Windows 11";
    if (v.major == 10) return "Windows 10";
    if (v.major == 6 && v.minor == 3) return "Windows 8.1";
    if (v.major == 6 && v.minor == 2) return "Windows 8";
    if (v.major == 6 && v.minor == 1) return "Windows 7";
    if (v.major == 6 && v.minor == 0) return "Windows Vista";
    if (v.major == 5 && v.minor == 2) return "Windows XP x64 / Server 2003";
    if (v.major == 5 && v.minor == 1) return "Windows XP";
    if (v.major == 5 && v.minor == 0) return "Windows 2000";
    if (v.major == 4 && v.minor == 90) return "Windows Me";
    if (v.major == 4 && v.minor == 10) return "Windows 98";
    if (v.major == 4 && v.platformId == 1) return "Windows 95";
    if (v.major == 4) return "Windows NT 4.0";
    if (v.major == 3) return "Windows NT 3.51";
    return "Windows";
}

const char* driveTypeName(DriveType t) {
    switch (t) {
        case DriveType::Removable:
            return "removable";
        case DriveType::Fixed:
            return "fixed";
        case DriveType::Remote:
            return "network";
        case DriveType::CdRom:
            return "CD-ROM";
        case DriveType::RamDisk:
            return "RAM disk";
        case DriveType::NoRootDir:
            return "no root folder";
        default:
            return "unknown";
    }
}

int machineInfo(CliContext& context) {
    auto* machine = context.machine();
    if (!machine) return 1;
    auto& env = machine->environment();
    const auto v = env.version();
    const auto var = [&](const char* name) { return env.variable(name).value_or("(not set)"); };

    fmt::print("Machine:      {} ({})\n", machine->displayName(), context.machineSource());
    std::string servicePack = v.servicePack;
    while (!servicePack.empty() && servicePack.back() == ' ')
        servicePack.pop_back();
    while (!servicePack.empty() && servicePack.front() == ' ')
        servicePack.erase(0, 1);
    fmt::print("Windows:      {} (version {}.{}, build {}{}{})\n", windowsName(v), v.major, v.minor,
               v.build, servicePack.empty() ? "" : ", ", servicePack);
    fmt::print("User:         {}\n", env.userName().empty() ? "(unknown)" : env.userName());
    fmt::print("Wine server:  {}\n", machine->isServerRunning()
                                         ? "running (the registry is read-only meanwhile)"
                                         : "not running");
    fmt::print("\nFolders:\n");
    const std::pair<const char*, std::string> folders[] = {
        {"Windows", env.windowsDirectory()},
        {"System", env.systemDirectory()},
        {"Temp", var("TEMP")},
        {"Application data", var("APPDATA")},
        {"Local app data", var("LOCALAPPDATA")},
        {"Profile", var("USERPROFILE")},
        {"All users", var("ALLUSERSPROFILE")},
        {"Program files", var("ProgramFiles")},
        {"Program files (x86)", var("ProgramFiles(x86)")},
        {"Common files", var("CommonProgramFiles")},
    };
    for (const auto& [label, value] : folders)
        fmt::print("  {:<21}{}\n", label, value);
    fmt::print("\nDrives:\n");
    for (const auto& root : env.logicalDrives()) {
        const auto host = machine->wineFileSystem().driveRoot(root[0]);
        std::error_code ec;
        const auto target =
            host ? std::filesystem::read_symlink(*host, ec) : std::filesystem::path();
        fmt::print("  {}  {:<10}{}\n", root, driveTypeName(env.driveType(root)),
                   ec || target.empty() ? std::string() : "-> " + target.string());
    }
    const auto problems = machine->hiveProblems();
    if (!problems.empty()) {
        fmt::print("\nHive problems (the registry will not save over these hives):\n");
        for (const auto& p : problems)
            fmt::print("  {} line {}: {}\n", p.file.filename().string(), p.line, p.text);
    }
    return 0;
}

int resetDemo() {
    auto inputs = platform::wineprefix::MachineSelectionInputs::fromProcess(
        std::nullopt, CliContext::demoSource());
    const auto folder = platform::wineprefix::demoMachineFolder(inputs);
    if (!folder) return fail("no data folder for the demo machine: HOME is not set");
    if (auto s = platform::wineprefix::copyDemoMachine(inputs.demoSource, *folder); !s)
        return fail(s.message());
    fmt::print("A fresh copy of the demo machine is in {}\n", folder->string());
    return 0;
}

}  // namespace

void registerMachineCommands(CLI::App& app, CliContext& context) {
    auto* machine = app.add_subcommand("machine", "The Windows environment being maintained");
    machine->require_subcommand(1);
    machine->add_subcommand("info", "Show the machine's Windows version, folders and drives")
        ->callback([&context] { context.exitCode = machineInfo(context); });
    machine
        ->add_subcommand("reset-demo",
                         "Replace the user's copy of the demo machine with a fresh one")
        ->callback([&context] { context.exitCode = resetDemo(); });
}

}  // namespace quorvel::cli
