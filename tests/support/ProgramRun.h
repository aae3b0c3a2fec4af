#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/HostFiles.h"

namespace quorvel::testing {

// What a program run printed and how it ended.
struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// The folder of the built executables (QUORVEL_BIN_DIR, set by ctest), else ".".
std::filesystem::path BinDir();
// Runs a program with its arguments, standard input from /dev/null, and collects its output.
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace quorvel::testing
