#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel scan shortcuts [--json]` and `quorvel repair shortcuts [--dry-run]`, added to the
// scan and repair commands.
void registerShortcutScanCommand(CLI::App& scan, CliContext& context);
void registerShortcutRepairCommand(CLI::App& repair, CliContext& context);

}  // namespace quorvel::cli
