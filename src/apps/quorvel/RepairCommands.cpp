#include "RepairCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "CliContext.h"
#include "EngineSession.h"
#include "JunkCommands.h"
#include "ShortcutCommands.h"
#include "StartupCommands.h"
#include "WorkerProgress.h"
#include "core/paths/PathUtils.h"
#include "core/settings/ModuleBackup.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "registry/IgnoreLists.h"
#include "registry/RegScan.h"
#include "registry/RegistryClean.h"

namespace quorvel::cli {
namespace {

void printPlan(const registry::RegFindings& findings, bool backups, const std::string& dir) {
    std::size_t checked = 0;
    for (const auto& f : findings) {
        if (!f.Checked) continue;
        ++checked;
        const std::string where = core::RootKeyName(f.RootKey) + f.KeyPath;
        if (f.Kind == registry::DeleteValue)
            fmt::print("would delete value  {} - {}\n", where, f.ValueName);
        else
            fmt::print("would delete key    {}\n", where);
    }
    if (backups)
        fmt::print("would back up {} finding(s) into {}\n", findings.size(), dir);
    else
        fmt::print("backups are switched off: nothing would be backed up\n");
    fmt::print("{} of {} registry problem(s) would be repaired.\n", checked, findings.size());
}

int repairRegistry(CliContext& cli, bool dryRun) {
    auto* machine = dryRun ? cli.machine() : cli.machineForWriting();
    if (!machine) return 1;
    if (const auto problems = machine->hiveProblems(); !problems.empty()) {
        for (const auto& p : problems)
            fmt::print(stderr, "quorvel: {}:{}: {}\n", p.file.string(), p.line, p.text);
        return fail("the machine's registry could not be read completely");
    }
    EngineSession session(*machine);
    registry::TGlobalReg ignoreLists;
    registry::LoadIgnoreLists(session.context, ignoreLists);

    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    registry::RegFindings findings;
    {
        registry::TRegScan scan(findings, status, session.context, bridge, ignoreLists);
        runWithProgress(bridge, scan, status);
    }

    const bool backups = core::ModuleBackupEnabled(machine->registry(), "OneClick");
    if (dryRun) {
        printPlan(findings, backups, session.globals.BackupsDir);
        return 0;
    }
    if (findings.empty()) {
        fmt::print("No registry problems found; nothing to repair.\n");
        return 0;
    }

    registry::TRegistryClean clean(findings, status, session.context, bridge);
    runWithProgress(bridge, clean, status);
    const auto& result = clean.result();
    if (result.backupWanted && !result.backupStatus)
        return fail("the backup could not be written, so nothing was deleted: " +
                    result.backupStatus.message());
    if (!result.flushStatus && result.nothingChanged)
        return fail(
            "the registry could not be saved, so nothing was changed" +
            std::string(result.backupRemoved ? " (the backup made for it was removed)" : "") +
            ": " + result.flushStatus.message());
    if (!result.backupEntry.empty())
        fmt::print("Backup {} written ({} finding(s)).\n", result.backupEntry, findings.size());
    if (!result.flushStatus) {
        fmt::print(
            "{} registry problem(s) repaired before the registry could no longer be saved; "
            "the rest were left as they were.\n",
            result.deleted);
        return fail("the registry could not be saved: " + result.flushStatus.message());
    }
    fmt::print("{} registry problem(s) repaired, {} could not be removed.\n", result.deleted,
               result.skipped);
    return 0;
}

}  // namespace

void registerRepairCommands(CLI::App& app, CliContext& context) {
    auto* repair = app.add_subcommand("repair", "Repair what a scan finds (backed up first)");
    repair->require_subcommand(1);
    auto* reg = repair->add_subcommand("registry", "Delete invalid or obsolete registry entries");
    auto dryRun = std::make_shared<bool>(false);
    reg->add_flag("--dry-run", *dryRun, "List what would be done and change nothing");
    reg->callback([&context, dryRun] { context.exitCode = repairRegistry(context, *dryRun); });
    registerJunkRepairCommand(*repair, context);
    registerShortcutRepairCommand(*repair, context);
    registerStartupRepairCommand(*repair, context);
}

}  // namespace quorvel::cli
