#include "StartupCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CliContext.h"
#include "EngineSession.h"
#include "JsonText.h"
#include "WorkerProgress.h"
#include "core/paths/PathUtils.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "startup/StartupClean.h"
#include "startup/StartupScan.h"

namespace quorvel::cli {
namespace {

using startup::TStartupData;

std::string ratingText(std::int32_t rating) {
    if (rating == startup::kNotRated) return "not rated";
    if (rating == startup::kUserUnknown) return "unknown (your rating)";
    return std::to_string(rating);
}

// Scans into findings; false (with a message) when the scan could not run.
bool scanInto(EngineSession& session, core::HeadlessUiBridge& bridge, core::StatusSink& status,
              startup::StartupFindings& findings, std::vector<TStartupData>* every) {
    startup::TStartupScan scan(findings, status, session.context, bridge, every);
    runWithProgress(bridge, scan, status);
    for (const auto& path : scan.unreadableShortcuts())
        fmt::print(stderr, "quorvel: {}: not a readable shortcut, passed over\n", path);
    if (!scan.databaseStatus()) {
        fail("the startup ratings (data/startup.dat) cannot be read: " +
             scan.databaseStatus().message());
        return false;
    }
    return true;
}

bool isFinding(const TStartupData& e) {
    return e.Rating > startup::kFindingThreshold;
}

int scanStartup(CliContext& cli, bool json) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    startup::StartupFindings findings;
    std::vector<TStartupData> every;
    if (!scanInto(session, bridge, status, findings, &every)) return 1;

    if (json) {
        fmt::print("[");
        bool first = true;
        for (const auto& e : every) {
            fmt::print(
                "{}\n  {{\"name\": {}, \"command\": {}, \"programFile\": {}, \"location\": {}, "
                "\"root\": {}, \"key\": {}, \"fileName\": {}, \"rating\": {}, \"comment\": {}, "
                "\"finding\": {}}}",
                first ? "" : ",", jsonString(e.Name), jsonString(e.Command),
                jsonString(e.ProgramFile), jsonString(e.Location),
                jsonString(e.Kind == startup::RegistryValue ? core::RootKeyName(e.RootKey)
                                                            : std::string()),
                jsonString(e.KeyPath), jsonString(e.FileName), e.Rating, jsonString(e.Comment),
                isFinding(e) ? "true" : "false");
            first = false;
        }
        fmt::print("{}]\n", first ? "" : "\n");
        return 0;
    }
    for (const auto& e : every) {
        fmt::print("{}{}\n", isFinding(e) ? "* " : "  ", e.Name);
        fmt::print("    Command: {}\n", e.Command);
        fmt::print("    Program: {}\n", e.ProgramFile.empty() ? "(not found)" : e.ProgramFile);
        fmt::print("    Source:  {}\n", e.Location);
        fmt::print("    Rating:  {}{}\n", ratingText(e.Rating),
                   isFinding(e) ? " - will be disabled by a repair" : "");
        if (!e.Comment.empty()) fmt::print("    Comment: {}\n", e.Comment);
    }
    fmt::print("{} startup entr{}, {} rated above {} (marked *).\n", every.size(),
               every.size() == 1 ? "y" : "ies", findings.size(), startup::kFindingThreshold);
    return 0;
}

int repairStartup(CliContext& cli, bool dryRun) {
    auto* machine = dryRun ? cli.machine() : cli.machineForWriting();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    startup::StartupFindings findings;
    if (!scanInto(session, bridge, status, findings, nullptr)) return 1;

    startup::TStartupClean clean(findings, status, session.context, bridge, {}, dryRun);
    runWithProgress(bridge, clean, status);
    const auto& result = clean.result();
    if (!result.backupStatus)
        return fail("the backup failed, nothing was disabled: " + result.backupStatus.message());
    if (!result.flushStatus)
        return fail("the registry could not be saved: " + result.flushStatus.message());
    for (const auto& f : findings) {
        const bool left = std::find(result.leftAlone.begin(), result.leftAlone.end(), f.Name) !=
                          result.leftAlone.end();
        const std::string place = f.Kind == startup::RegistryValue
                                      ? core::RootKeyName(f.RootKey) + f.KeyPath
                                      : f.KeyPath + "\\" + f.FileName;
        if (left)
            fmt::print("{}: left alone ({} cannot be moved)\n", f.Name, place);
        else
            fmt::print("{}: {} ({} -> {})\n", f.Name, dryRun ? "would be disabled" : "disabled",
                       place,
                       startup::TStartupClean::disabledPlace(
                           f.Kind == startup::RegistryValue ? place : f.KeyPath));
    }
    fmt::print("{} startup entr{} {}.\n", result.disabled, result.disabled == 1 ? "y" : "ies",
               dryRun ? "would be disabled" : "disabled");
    if (!result.backupFile.empty())
        fmt::print("Backup: {} (entry {})\n", result.backupFile, result.backupEntry);
    return 0;
}

}  // namespace

void registerStartupScanCommand(CLI::App& scan, CliContext& context) {
    auto* startupScan =
        scan.add_subcommand("startup", "Programs started at logon, with their ratings");
    auto json = std::make_shared<bool>(false);
    startupScan->add_flag("--json", *json, "Print every entry as a JSON array");
    startupScan->callback([&context, json] { context.exitCode = scanStartup(context, *json); });
}

void registerStartupRepairCommand(CLI::App& repair, CliContext& context) {
    auto* startupRepair = repair.add_subcommand(
        "startup", "Disable the startup entries rated above 60 (moved to -Disabled places)");
    auto dryRun = std::make_shared<bool>(false);
    startupRepair->add_flag("--dry-run", *dryRun, "List what would be disabled and change nothing");
    startupRepair->callback(
        [&context, dryRun] { context.exitCode = repairStartup(context, *dryRun); });
}

}  // namespace quorvel::cli
