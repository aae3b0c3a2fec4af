#pragma once

namespace CLI {
class App;
}

namespace quorvel::cli {

class CliContext;

// `quorvel reg query KEY [/s]`, printed the way Windows' reg.exe prints it.
void registerRegCommands(CLI::App& app, CliContext& context);

}  // namespace quorvel::cli
