#include "core/formats/CompressedData.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <string>

#include "support/TempDir.h"

namespace quorvel::core {
namespace {

using platform::ErrorCode;
using testing::TempDir;

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CompressedData, RoundTripEmptyPayloadAndLineEnds) {
    const std::vector<std::string> lines = {"HKEY_LOCAL_MACHINE\\Software\\X", "", "x=ü €",
                                            std::string(70000, 'a')};
    const std::string container = CompressLines(lines);
    EXPECT_EQ(container.substr(0, 2),
              std::string(kContainerMarker.begin(), kContainerMarker.end()));
    EXPECT_EQ(DecodeCompressedLines(container).lines, lines);
    EXPECT_EQ(*InflateContainer(container), lines[0] + "\r\n\r\nx=ü €\r\n" + lines[3] + "\r\n");

    const CompressedLines empty = DecodeCompressedLines(CompressPayload(""));
    EXPECT_TRUE(empty.status);
    EXPECT_TRUE(empty.lines.empty());
    // The two leading bytes are skipped unread; CR LF, LF and CR all end a line.
    std::string mixed = CompressPayload("a\r\nb\nc\rd\r\n\r\ne\r\n");
    mixed[0] = '\xFF';
    mixed[1] = '\0';
    EXPECT_EQ(DecodeCompressedLines(mixed).lines,
              (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(SplitPayloadLines("\r\n"), std::vector<std::string>{""});
}

TEST(CompressedData, EveryDamagedFormGivesAnEmptyListAndAStatus) {
    const std::string good = CompressLines({"one", "two", "three"});
    std::string badHeader = good;
    badHeader[2] = '\x12';  // not a deflate zlib header
    std::string badData = good;
    badData[6] ^= 0x5A;
    std::string badChecksum = good;
    badChecksum.back() ^= 0x01;
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""},
        {"header only", good.substr(0, 2)},
        {"bad zlib header", badHeader},
        {"bad data", badData},
        {"bad checksum", badChecksum},
        {"truncated", good.substr(0, good.size() - 5)},
        {"truncated to the zlib header", good.substr(0, 4)},
        {"trailing junk", good + "junk"},
        {"two streams", good + good.substr(2)},
        {"raw text", "[Registry]\r\nnot compressed\r\n"},
    };
    for (const auto& [what, bytes] : damaged) {
        const CompressedLines result = DecodeCompressedLines(bytes);
        EXPECT_FALSE(result.status) << what;
        EXPECT_EQ(result.status.code(), ErrorCode::InvalidData) << what;
        EXPECT_TRUE(result.lines.empty()) << what;
    }
}

TEST(CompressedData, OversizedPayloadIsRefused) {
    // A small container that inflates beyond the limit.
    const std::string bomb = CompressPayload(std::string(1'000'000, '\0'));
    EXPECT_LT(bomb.size(), 2000u);
    const auto payload = InflateContainer(bomb, 999'999);
    EXPECT_FALSE(payload);
    EXPECT_EQ(payload.status().code(), ErrorCode::InvalidData);
    EXPECT_TRUE(InflateContainer(bomb, 1'000'000));
}

TEST(CompressedData, LoadAndDecompressHostFiles) {
    TempDir dir;
    const auto dat = dir.path() / "registry.dat";
    writeBytes(dat, CompressLines({"first", "second"}));
    EXPECT_EQ(LoadCompressedLines(dat).lines, (std::vector<std::string>{"first", "second"}));

    const auto txt = dir.path() / "registry.txt";
    ASSERT_TRUE(DecompressFile(dat, txt));
    EXPECT_EQ(readBytes(txt), "first\r\nsecond\r\n");

    const CompressedLines missing = LoadCompressedLines(dir.path() / "none.dat");
    EXPECT_EQ(missing.status.code(), ErrorCode::FileNotFound);
    EXPECT_TRUE(missing.lines.empty());

    // A damaged source leaves the target as it was.
    writeBytes(dat, "XX not zlib");
    writeBytes(txt, "previous");
    EXPECT_FALSE(DecompressFile(dat, txt));
    EXPECT_EQ(readBytes(txt), "previous");
    EXPECT_FALSE(DecompressFile(dir.path() / "none.dat", txt));
}

}  // namespace
}  // namespace quorvel::core
