#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel repair registry [--dry-run]`: scans the registry, then backs up every finding and
// deletes the checked ones; --dry-run lists what would be done and changes nothing.
void registerRepairCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
