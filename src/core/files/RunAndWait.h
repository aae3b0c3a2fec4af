#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Context.h"

namespace quorvel::core {

inline constexpr std::uint32_t kRunFailed = 0xFFFFFFFF;

// Runs a command line of the machine and waits for the program to end; returns its exit code.
// On a machine stored as a Wine prefix the program runs under Wine with WINEPREFIX set to that
// prefix. Returns kRunFailed, without starting anything, when the machine is no Wine prefix, the
// program named by the command line is not a file of the machine that Wine can run (.exe, .com,
// .bat, .cmd), or Wine is not installed. showMode is the ShowWindow number the program is asked
// to start with; Wine chooses its windows itself. While the program runs, whileWaiting (when
// given) is called every 100 ms, so that a window can keep its messages flowing.
std::uint32_t RunAndWait(const Context& context, std::string_view commandLine, int showMode,
                         const std::function<void()>& whileWaiting = {});

// The same for an explicit prefix folder and the file system that shows it.
std::uint32_t RunAndWaitInPrefix(const std::filesystem::path& prefix,
                                 const platform::FileSystem& fs, std::string_view commandLine,
                                 const std::function<void()>& whileWaiting = {});

// The program and the arguments of a Windows command line. The program is the quoted first part,
// or the shortest space-separated start that names an existing file (".exe" tried too), as
// CreateProcess finds it; arguments are split by the Windows command-line rules.
struct ParsedCommandLine {
    std::string program;
    std::vector<std::string> arguments;
};
ParsedCommandLine ParseCommandLine(const platform::FileSystem& fs, std::string_view commandLine);

// Splits arguments the way CommandLineToArgvW does: blanks separate, double quotes group,
// backslashes escape a double quote only when they come right before it.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace quorvel::core
