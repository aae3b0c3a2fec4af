#include "support/ProgramRun.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/TempDir.h"

namespace quorvel::testing {

std::filesystem::path BinDir() {
    const char* dir = std::getenv("QUORVEL_BIN_DIR");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path(".");
}

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
    TempDir t;
    std::string command = ShellQuoted(program.string());
    for (const auto& a : args)
        command += ' ' + ShellQuoted(a);
    command += " >" + ShellQuoted((t.path() / "out").string()) + " 2>" +
               ShellQuoted((t.path() / "err").string()) + " </dev/null";
    const int status = std::system(command.c_str());
    ProgramRun r;
    r.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadWholeFile(t.path() / "out");
    r.err = ReadWholeFile(t.path() / "err");
    return r;
}

}  // namespace quorvel::testing
