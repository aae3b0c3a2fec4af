#pragma once

#include <optional>

namespace quorvel::vantrel {

// What the desktop program answers on the console before it opens a window: --help and
// --version print and end; without a display it says so instead of letting Qt abort. The exit
// code to end with, or nullopt to go on.
std::optional<int> AnswerOnConsole(int argc, char** argv);

}  // namespace quorvel::vantrel
