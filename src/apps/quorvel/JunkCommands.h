#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel scan junk [--json]` and `quorvel repair junk [--dry-run]`, added to the scan and
// repair commands.
void registerJunkScanCommand(CLI::App& scan, CliContext& context);
void registerJunkRepairCommand(CLI::App& repair, CliContext& context);

}  // namespace quorvel::cli
