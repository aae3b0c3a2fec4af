#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel scan registry [--json]`: runs the registry scan on the machine and lists what it found.
void registerScanCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
