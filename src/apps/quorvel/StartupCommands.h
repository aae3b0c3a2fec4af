#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel scan startup [--json]` and `quorvel repair startup [--dry-run]`, added to the scan
// and repair commands.
void registerStartupScanCommand(CLI::App& scan, CliContext& context);
void registerStartupRepairCommand(CLI::App& repair, CliContext& context);

}  // namespace quorvel::cli
