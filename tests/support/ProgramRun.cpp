#include "support/ProgramRun.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

std::string shellQuoted(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::filesystem::path BinDir() {
    const char* dir = std::getenv("QUORVEL_BIN_DIR");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path(".");
}

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
    TempDir t;
    std::string command = shellQuoted(program.string());
    for (const auto& a : args)
        command += ' ' + shellQuoted(a);
    command += " >" + shellQuoted((t.path() / "out").string()) + " 2>" +
               shellQuoted((t.path() / "err").string()) + " </dev/null";
    const int status = std::system(command.c_str());
    ProgramRun r;
    r.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadWholeFile(t.path() / "out");
    r.err = ReadWholeFile(t.path() / "err");
    return r;
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteWholeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    EXPECT_TRUE(out.flush()) << "cannot write " << file;
}

}  // namespace quorvel::testing
