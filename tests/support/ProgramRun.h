#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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
// The whole file as bytes ("" when it cannot be read).
std::string ReadWholeFile(const std::filesystem::path& file);
// Replaces the file with the bytes; a test failure when it cannot be written.
void WriteWholeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace quorvel::testing
