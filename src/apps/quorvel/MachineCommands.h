#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel machine info` and `quorvel machine reset-demo`.
void registerMachineCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
