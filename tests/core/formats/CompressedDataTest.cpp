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

TEST(CompressedDataRoundTrip, LinesSurviveAndTheMarkerLeads) {
    const std::vector<std::string> lines = {"HKEY_LOCAL_MACHINE\\Software\\X", "", "x=ü €",
                                            std::string(70000, 'a')};
    const std::string container = CompressLines(lines);
    EXPECT_EQ(container.substr(0, 2),
              std::string(kContainerMarker.begin(), kContainerMarker.end()));
    const CompressedLines loaded = DecodeCompressedLines(container);
    EXPECT_TRUE(loaded.status);
    EXPECT_EQ(loaded.lines, lines);
    EXPECT_EQ(*InflateContainer(container), lines[0] + "\r\n\r\nx=ü €\r\n" + lines[3] + "\r\n");
}

TEST(CompressedDataRoundTrip, EmptyPayloadAndAnyLeadingBytes) {
    const CompressedLines empty = DecodeCompressedLines(CompressPayload(""));
    EXPECT_TRUE(empty.status);
    EXPECT_TRUE(empty.lines.empty());

    // The two leading bytes are skipped unread, whatever they are.
    std::string container = CompressPayload("a\r\nb");
    container[0] = '\xFF';
    container[1] = '\0';
    EXPECT_EQ(DecodeCompressedLines(container).lines, (std::vector<std::string>{"a", "b"}));
}

TEST(CompressedDataRoundTrip, LineEndsCrLfLfAndCr) {
    EXPECT_EQ(SplitPayloadLines("a\r\nb\nc\rd\r\n\r\ne"),
              (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(SplitPayloadLines("a\r\n"), std::vector<std::string>{"a"});
    EXPECT_EQ(SplitPayloadLines("\r\n"), std::vector<std::string>{""});
    EXPECT_TRUE(SplitPayloadLines("").empty());
}

TEST(CompressedDataDamaged, EveryDamagedFormGivesAnEmptyListAndAStatus) {
    const std::string good = CompressLines({"one", "two", "three"});
    std::string badHeader = good;
    badHeader[2] = '\x12';  // not a deflate zlib header
    std::string badData = good;
    badData[6] ^= 0x5A;
    std::string badChecksum = good;
    badChecksum.back() ^= 0x01;
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""},
        {"one byte", "Q"},
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

TEST(CompressedDataDamaged, OversizedPayloadIsRefused) {
    // A small container that inflates beyond the limit.
    const std::string bomb = CompressPayload(std::string(1'000'000, '\0'));
    EXPECT_LT(bomb.size(), 2000u);
    const auto payload = InflateContainer(bomb, 999'999);
    EXPECT_FALSE(payload);
    EXPECT_EQ(payload.status().code(), ErrorCode::InvalidData);
    EXPECT_TRUE(InflateContainer(bomb, 1'000'000));
}

TEST(CompressedDataFiles, LoadAndDecompressHostFiles) {
    TempDir dir;
    const auto dat = dir.path() / "registry.dat";
    writeBytes(dat, CompressLines({"first", "second"}));
    const CompressedLines loaded = LoadCompressedLines(dat);
    EXPECT_TRUE(loaded.status);
    EXPECT_EQ(loaded.lines, (std::vector<std::string>{"first", "second"}));

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
