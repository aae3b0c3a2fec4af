#include "ShortcutCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <memory>
#include <string>

#include "CliContext.h"
#include "EngineSession.h"
#include "JsonText.h"
#include "WorkerProgress.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "shortcuts/ShortcutsClean.h"
#include "shortcuts/ShortcutsScan.h"

namespace quorvel::cli {
namespace {

void scanInto(EngineSession& session, core::HeadlessUiBridge& bridge, core::StatusSink& status,
              shortcuts::ShortcutFindings& findings) {
    shortcuts::TShortcutsScan scan(findings, status, session.context, bridge);
    runWithProgress(bridge, scan, status);
}

int scanShortcuts(CliContext& cli, bool json) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    shortcuts::ShortcutFindings findings;
    scanInto(session, bridge, status, findings);

    if (json) {
        fmt::print("[");
        bool first = true;
        for (const auto& f : findings) {
            fmt::print(
                "{}\n  {{\"path\": {}, \"folder\": {}, \"target\": {}, \"description\": {}}}",
                first ? "" : ",", jsonString(f.Path), f.IsFolder ? "true" : "false",
                jsonString(f.Target), jsonString(f.Description));
            first = false;
        }
        fmt::print("{}]\n", first ? "" : "\n");
        return 0;
    }
    for (const auto& f : findings) {
        if (f.IsFolder)
            fmt::print("empty folder     {}\n", f.Path);
        else
            fmt::print("broken shortcut  {} -> {}\n", f.Path, f.Target);
    }
    fmt::print("{} shortcut problem(s) found.\n", findings.size());
    return 0;
}

int repairShortcuts(CliContext& cli, bool dryRun) {
    auto* machine = dryRun ? cli.machine() : cli.machineForWriting();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    shortcuts::ShortcutFindings findings;
    scanInto(session, bridge, status, findings);
    if (findings.empty()) {
        fmt::print("No shortcut problems found; nothing to repair.\n");
        return 0;
    }

    shortcuts::TShortcutsClean clean(findings, status, session.context, bridge, {}, dryRun);
    runWithProgress(bridge, clean, status);
    const auto& r = clean.result();
    if (r.backupWanted && !dryRun && !r.backupStatus)
        return fail("the backup could not be written, so nothing was removed: " +
                    r.backupStatus.message());
    if (dryRun) {
        const auto& files = machine->fileSystem();
        for (const auto& f : findings) {
            const bool linked = shortcuts::LiesBehindLink(files, f.Path, f.IsFolder);
            fmt::print("{} {}  {}\n", linked ? "would leave " : "would remove",
                       f.IsFolder ? "folder  " : "shortcut", f.Path);
        }
        if (r.backupWanted)
            fmt::print("would back up {} finding(s) into {}\n", findings.size(),
                       session.globals.BackupsDir);
        else
            fmt::print("backups are switched off: nothing would be backed up\n");
    } else if (!r.backupEntry.empty()) {
        fmt::print("Backup {} written ({} finding(s)).\n", r.backupEntry, findings.size());
    }
    const char* verb = dryRun ? "would be" : "were";
    fmt::print(
        "{} shortcut(s) and {} empty folder(s) {} removed; {} shortcut(s) could not be "
        "removed.\n",
        r.deleted, r.foldersRemoved, verb, r.kept);
    if (r.behindLink > 0)
        fmt::print(
            "{} finding(s) lie in a folder linked out of the machine and were left "
            "alone.\n",
            r.behindLink);
    if (r.endedAtFolder)
        fmt::print("A folder was no longer empty; the findings after it were left alone.\n");
    return 0;
}

}  // namespace

void registerShortcutScanCommand(CLI::App& scan, CliContext& context) {
    auto* command =
        scan.add_subcommand("shortcuts", "Broken shortcuts and empty folders of menu and desktop");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "Print the findings as a JSON array");
    command->callback([&context, json] { context.exitCode = scanShortcuts(context, *json); });
}

void registerShortcutRepairCommand(CLI::App& repair, CliContext& context) {
    auto* command = repair.add_subcommand(
        "shortcuts", "Delete broken shortcuts and remove empty menu folders (backed up first)");
    auto dryRun = std::make_shared<bool>(false);
    command->add_flag("--dry-run", *dryRun, "List what would be removed and change nothing");
    command->callback([&context, dryRun] { context.exitCode = repairShortcuts(context, *dryRun); });
}

}  // namespace quorvel::cli
