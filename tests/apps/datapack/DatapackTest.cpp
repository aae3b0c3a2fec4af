#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/formats/CompressedData.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

class DatapackTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(BinDir() / "datapack")) GTEST_SKIP() << "datapack is not built";
    }
    fs::path file(const char* name, const std::string& bytes = {}) {
        if (!bytes.empty()) std::ofstream(dir.path() / name, std::ios::binary) << bytes;
        return dir.path() / name;
    }
    ProgramRun run(const std::vector<std::string>& args) {
        return RunProgram(BinDir() / "datapack", args);
    }
    TempDir dir;
};

TEST_F(DatapackTool, PackMakesCrLfLinesAndUnpackGivesThemBack) {
    const auto txt =
        file("apps.txt", "\xEF\xBB\xBF[Firefox]\nCookies=%APPDATA%\\x\r\n\nlast line ü");
    const auto dat = file("apps.dat");
    ASSERT_EQ(run({"pack", txt, dat}).exitCode, 0);
    const core::CompressedLines lines = core::LoadCompressedLines(dat);
    ASSERT_TRUE(lines.status);
    EXPECT_EQ(lines.lines,
              (std::vector<std::string>{"[Firefox]", "Cookies=%APPDATA%\\x", "", "last line ü"}));

    ASSERT_EQ(run({"unpack", dat, file("out.txt")}).exitCode, 0);
    const std::string crlf = "[Firefox]\r\nCookies=%APPDATA%\\x\r\n\r\nlast line ü\r\n";
    EXPECT_EQ(ReadWholeFile(file("out.txt")), crlf);
    EXPECT_EQ(run({"unpack", dat}).out, crlf);  // without an output file: to stdout
}

TEST_F(DatapackTool, BadInputExitsWithOneAndWritesNothing) {
    const auto dat = file("bad.dat", "QX this is no zlib stream");
    const auto latin1 = file("latin1.txt", "caf\xE9\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"unpack", dat, file("out.txt")},
          {"unpack", file("missing.dat")},
          {"pack", latin1, dat},
          {},
          {"pack", "onlyone"},
          {"frobnicate", "a", "b"}})
        EXPECT_EQ(run(args).exitCode, 1) << ::testing::PrintToString(args);
    EXPECT_FALSE(fs::exists(file("out.txt")));
    EXPECT_EQ(ReadWholeFile(dat), "QX this is no zlib stream");  // left as it was
}

}  // namespace
}  // namespace quorvel::testing
