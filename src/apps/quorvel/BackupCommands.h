#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel backups list [--json]`, `quorvel backups restore ID`, `quorvel backups delete ID`,
// and `quorvel reg export KEY FILE` / `quorvel reg import FILE` added to the `reg` group
// (register after registerRegCommands).
void registerBackupCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
