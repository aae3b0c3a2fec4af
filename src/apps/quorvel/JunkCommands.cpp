#include "JunkCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "CliContext.h"
#include "EngineSession.h"
#include "JsonText.h"
#include "WorkerProgress.h"
#include "core/paths/PathUtils.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "junk/JunkClean.h"
#include "junk/JunkScan.h"

namespace quorvel::cli {
namespace {

constexpr const char* kCategoryNames[] = {"Recycle bin", "Temporary files", "Internet cache"};

const char* nameOf(const junk::TJunkData& record) {
    return record.Category >= 0 && record.Category < junk::kJunkCategoryCount
               ? kCategoryNames[record.Category]
               : "?";
}

void scanInto(EngineSession& session, core::HeadlessUiBridge& bridge, core::StatusSink& status,
              junk::JunkFindings& findings) {
    junk::TJunkScan scan(findings, status, session.context, bridge);
    runWithProgress(bridge, scan, status);
}

int scanJunk(CliContext& cli, bool json) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    junk::JunkFindings findings;
    scanInto(session, bridge, status, findings);

    if (json) {
        fmt::print("[");
        bool first = true;
        for (const auto& r : findings) {
            fmt::print(
                "{}\n  {{\"category\": {}, \"name\": {}, \"size\": {}, \"sizeText\": {}, "
                "\"count\": {}, \"selected\": {}}}",
                first ? "" : ",", r.Category, jsonString(nameOf(r)), r.Size,
                jsonString(core::FormatSize(r.Size)), r.Count, r.Selected ? "true" : "false");
            first = false;
        }
        fmt::print("{}]\n", first ? "" : "\n");
        return 0;
    }
    std::int64_t total = 0;
    for (const auto& r : findings) {
        fmt::print("{:<16} {:>14} bytes ({}), {} item(s){}\n", nameOf(r), r.Size,
                   core::FormatSize(r.Size), r.Count, r.Selected ? "" : " [not selected]");
        if (r.Size > 0) total += r.Size;
    }
    fmt::print("{} of junk files found.\n", core::FormatSize(total));
    return 0;
}

int repairJunk(CliContext& cli, bool dryRun) {
    auto* machine = dryRun ? cli.machine() : cli.machineForWriting();
    if (!machine) return 1;
    EngineSession session(*machine);
    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    junk::JunkFindings findings;
    scanInto(session, bridge, status, findings);

    junk::TJunkClean clean(findings, status, session.context, bridge, dryRun);
    runWithProgress(bridge, clean, status);
    const auto& result = clean.result();
    const char* verb = dryRun ? "would delete" : "deleted";
    for (const auto& r : findings) {
        if (!r.Selected) {
            fmt::print("{}: not selected, left alone\n", nameOf(r));
            continue;
        }
        switch (static_cast<junk::JunkCategory>(r.Category)) {
            case junk::JunkCategory::RecycleBin:
                fmt::print("Recycle bin: {} {} item(s), {}\n", verb, r.Count,
                           core::FormatSize(r.Size));
                break;
            case junk::JunkCategory::TempFiles:
                fmt::print("Temporary files: {} {} file(s), {}\n", verb, result.filesDeleted,
                           core::FormatSize(result.bytesDeleted));
                break;
            case junk::JunkCategory::InternetCache:
                fmt::print("Internet cache: {} {} entr{}\n", verb, result.cacheEntriesDeleted,
                           result.cacheEntriesDeleted == 1 ? "y" : "ies");
                break;
        }
    }
    if (!result.recycleBin)
        return fail("the recycle bin could not be emptied: " + result.recycleBin.message());
    return 0;
}

}  // namespace

void registerJunkScanCommand(CLI::App& scan, CliContext& context) {
    auto* junkScan = scan.add_subcommand("junk", "Recycle bin, temporary files and Internet cache");
    auto json = std::make_shared<bool>(false);
    junkScan->add_flag("--json", *json, "Print the three categories as a JSON array");
    junkScan->callback([&context, json] { context.exitCode = scanJunk(context, *json); });
}

void registerJunkRepairCommand(CLI::App& repair, CliContext& context) {
    auto* junkRepair = repair.add_subcommand(
        "junk", "Empty the recycle bin, delete old temporary files and the Internet cache");
    auto dryRun = std::make_shared<bool>(false);
    junkRepair->add_flag("--dry-run", *dryRun, "List what would be deleted and change nothing");
    junkRepair->callback([&context, dryRun] { context.exitCode = repairJunk(context, *dryRun); });
}

}  // namespace quorvel::cli
