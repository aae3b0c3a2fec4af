#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::registry {

// The two file-system services the reference tests rest on. Kept as callbacks so the string
// logic can be tested on its own.
struct PathTester {
    // The short upper-casing folder-variable expansion, then every other variable from the
    // machine's environment; nullopt when the text names a variable the machine does not define
    // (such a path cannot be judged, so it is never reported).
    std::function<std::optional<std::string>(std::string_view)> expandVars;
    // Whether the program a command line names exists; cutAtComma also cuts at the first ",".
    std::function<bool(std::string_view commandLine, bool cutAtComma)> targetExists;
};

// The part of text before the first occurrence of delimiter; text when it does not occur.
std::string CutAtFirst(std::string_view delimiter, std::string_view text);
// First character "{" and last "}".
bool IsBracedName(std::string_view name);

// Each answers true when there is no problem: the file a text names exists, or the text names
// nothing that can be tested.
// A drive path written anywhere inside arbitrary value data.
bool EmbeddedPathExists(const PathTester& tester, std::string_view text);
// The program of a shell command line ("%1" forms and network paths pass).
bool CommandTargetOk(const PathTester& tester, std::string_view text);
// The file of a COM server, icon or type-library path (up to its .exe/.dll/.ocx/.ico).
bool ServerPathExists(const PathTester& tester, std::string_view text);

}  // namespace quorvel::registry
