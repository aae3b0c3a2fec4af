#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel oneclick [--repair | --unattended] [--categories LIST] [--json]`: the one-click pass
// over the ticked categories; `quorvel oneclick options`: shows or stores its settings.
void registerOneClickCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
