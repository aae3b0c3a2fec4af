#include <CLI/CLI.hpp>

#include "BackupCommands.h"
#include "CliContext.h"
#include "MachineCommands.h"
#include "OneClickCommands.h"
#include "RegCommands.h"
#include "RepairCommands.h"
#include "ScanCommands.h"
#include "core/Version.h"

// Each command group registers itself here, one line each.
int main(int argc, char** argv) {
    CLI::App app{"quorvel: maintenance of a Windows environment"};
    app.set_version_flag("--version", quorvel::core::kProductVersion);
    app.require_subcommand(1);
    // Global options (--machine, --fresh-demo) are accepted after a subcommand too; every
    // subcommand made below inherits this.
    app.fallthrough();
    quorvel::cli::CliContext context(app);

    quorvel::cli::registerMachineCommands(app, context);
    quorvel::cli::registerRegCommands(app, context);
    quorvel::cli::registerScanCommands(app, context);
    quorvel::cli::registerBackupCommands(app, context);
    quorvel::cli::registerRepairCommands(app, context);
    quorvel::cli::registerOneClickCommands(app, context);

    CLI11_PARSE(app, argc, argv);
    return context.exitCode;
}
