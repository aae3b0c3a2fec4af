#include "ScanCommands.h"

#include <memory>
#include <string>

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include "CliContext.h"
#include "JsonText.h"
#include "JunkCommands.h"
#include "ShortcutCommands.h"
#include "StartupCommands.h"
#include "WorkerProgress.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/paths/PathUtils.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "registry/IgnoreLists.h"
#include "registry/RegScan.h"

namespace quorvel::cli {
namespace {

const char* kindName(std::int32_t kind) {
    return kind == registry::DeleteValue ? "value" : "key";
}

void printText(const registry::RegFindings& findings) {
    for (const auto& f : findings) {
        fmt::print("{}{}\n", core::RootKeyName(f.RootKey), f.KeyPath);
        if (!f.ValueName.empty()) fmt::print("    Value:   {}\n", f.ValueName);
        if (!f.Data.empty()) fmt::print("    Data:    {}\n", f.Data);
        fmt::print("    Problem: {}\n", f.Description);
        fmt::print("    Repair:  delete the {}\n\n", kindName(f.Kind));
    }
    fmt::print("{} registry problem{} found.\n", findings.size(), findings.size() == 1 ? "" : "s");
}

void printJson(const registry::RegFindings& findings) {
    fmt::print("[");
    bool first = true;
    for (const auto& f : findings) {
        fmt::print(
            "{}\n  {{\"root\": {}, \"key\": {}, \"value\": {}, \"data\": {}, "
            "\"description\": {}, \"kind\": {}, \"group\": {}}}",
            first ? "" : ",", jsonString(core::RootKeyName(f.RootKey)), jsonString(f.KeyPath),
            jsonString(f.ValueName), jsonString(f.Data), jsonString(f.Description), f.Kind,
            f.GroupMarker);
        first = false;
    }
    fmt::print("{}]\n", first ? "" : "\n");
}

int scanRegistry(CliContext& cli, bool json) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    if (const auto problems = machine->hiveProblems(); !problems.empty()) {
        for (const auto& p : problems) {
            fmt::print(stderr, "quorvel: {}:{}: {}\n", p.file.string(), p.line, p.text);
        }
        return fail("the machine's registry could not be read completely");
    }

    core::TGlobalVars globals;
    core::LanguageTable language;
    core::InitGlobals(*machine, CliContext::programDir(), globals, language);
    core::ProtectedFolders protectedFolders;
    const core::Context context{*machine, globals, language, protectedFolders};

    registry::TGlobalReg ignoreLists;
    registry::LoadIgnoreLists(context, ignoreLists);

    core::HeadlessUiBridge bridge;
    core::StatusSink status(terminalColumns() - 8);
    registry::RegFindings findings;
    registry::TRegScan scan(findings, status, context, bridge, ignoreLists);
    runWithProgress(bridge, scan, status);

    if (json) {
        printJson(findings);
    } else {
        printText(findings);
    }
    return 0;
}

}  // namespace

void registerScanCommands(CLI::App& app, CliContext& context) {
    auto* scan = app.add_subcommand("scan", "Look for problems on the machine (changes nothing)");
    scan->require_subcommand(1);
    auto* registryScan = scan->add_subcommand("registry", "Invalid or obsolete registry entries");
    auto json = std::make_shared<bool>(false);
    registryScan->add_flag("--json", *json, "Print the findings as a JSON array");
    registryScan->callback([&context, json] { context.exitCode = scanRegistry(context, *json); });
    registerJunkScanCommand(*scan, context);
    registerShortcutScanCommand(*scan, context);
    registerStartupScanCommand(*scan, context);
}

}  // namespace quorvel::cli
