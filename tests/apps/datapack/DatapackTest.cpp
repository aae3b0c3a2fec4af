#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/formats/CompressedData.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

fs::path datapack() {
    const char* bin = std::getenv("QUORVEL_BIN_DIR");
    return fs::path(bin ? bin : ".") / "datapack";
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs datapack with the arguments (quoted by the caller) and returns its exit code.
int run(const std::string& arguments, const fs::path& output = "/dev/null") {
    const std::string command =
        "'" + datapack().string() + "' " + arguments + " >'" + output.string() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class DatapackTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(datapack())) GTEST_SKIP() << "datapack not built: " << datapack();
    }
    testing::TempDir dir;
};

TEST_F(DatapackTool, PackMakesCrLfLinesAndUnpackGivesThemBack) {
    const auto txt = dir.path() / "apps.txt";
    const auto dat = dir.path() / "apps.dat";
    const auto out = dir.path() / "out.txt";
    writeBytes(txt, "\xEF\xBB\xBF[Firefox]\nCookies=%APPDATA%\\x\r\n\nlast line ü");
    ASSERT_EQ(run("pack " + quoted(txt) + " " + quoted(dat)), 0);

    const core::CompressedLines lines = core::LoadCompressedLines(dat);
    ASSERT_TRUE(lines.status);
    EXPECT_EQ(lines.lines,
              (std::vector<std::string>{"[Firefox]", "Cookies=%APPDATA%\\x", "", "last line ü"}));

    ASSERT_EQ(run("unpack " + quoted(dat) + " " + quoted(out)), 0);
    EXPECT_EQ(readBytes(out), "[Firefox]\r\nCookies=%APPDATA%\\x\r\n\r\nlast line ü\r\n");
    const auto stdoutCopy = dir.path() / "stdout.txt";
    ASSERT_EQ(run("unpack " + quoted(dat), stdoutCopy), 0);
    EXPECT_EQ(readBytes(stdoutCopy), readBytes(out));
}

TEST_F(DatapackTool, BadInputExitsWithOneAndWritesNothing) {
    const auto dat = dir.path() / "bad.dat";
    const auto out = dir.path() / "out.txt";
    writeBytes(dat, "QX this is no zlib stream");
    EXPECT_EQ(run("unpack " + quoted(dat) + " " + quoted(out)), 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(run("unpack " + quoted(dir.path() / "missing.dat")), 1);

    const auto latin1 = dir.path() / "latin1.txt";
    writeBytes(latin1, "caf\xE9\n");
    EXPECT_EQ(run("pack " + quoted(latin1) + " " + quoted(dat)), 1);
    EXPECT_EQ(readBytes(dat), "QX this is no zlib stream");  // left as it was

    EXPECT_EQ(run(""), 1);
    EXPECT_EQ(run("pack onlyone"), 1);
    EXPECT_EQ(run("frobnicate a b"), 1);
}

}  // namespace
}  // namespace quorvel
