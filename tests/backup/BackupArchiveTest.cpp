#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "backup/BackupArchiveNames.h"
#include "backup/BackupArchiveReader.h"
#include "backup/BackupArchiveWriter.h"
#include "support/TempDir.h"

namespace quorvel::backup {
namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(random());
    return s;
}

struct Sample {
    std::string name;
    std::string contents;
};

std::vector<Sample> samples() {
    return {
        {sfiEntryName(0), "shortcut one"},
        {sfiEntryName(7), std::string("\0\0binary\0with zeros\0", 20)},
        {"RegistryFile", "\xFF\xFEW\0"},
        {"empty.txt", ""},
        {"big.bin", randomBytes(300000, 7)},
        {std::string(kArchiveIndexName), "[0000000000.Sfi]\r\nLongName=C:\\a\\x.lnk\r\n"},
    };
}

std::string buildSample() {
    BackupArchiveWriter writer;
    for (const auto& s : samples())
        EXPECT_TRUE(writer.add(s.name, s.contents));
    auto bytes = writer.build();
    EXPECT_TRUE(bytes) << bytes.status().message();
    return bytes ? *bytes : std::string();
}

std::uint16_t le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      (static_cast<std::uint8_t>(b[at + 1]) << 8));
}

TEST(BackupArchiveNames, OnlyPlainFlatNamesAreSafe) {
    for (const char* ok : {"0000000007.Sfi", "quorvel.ini", "RegistryFile", "a b.c", "Ünï.txt",
                           "CONSOLE.txt", "com0", ".hidden"})
        EXPECT_TRUE(isSafeEntryName(ok)) << ok;
    for (const char* bad :
         {"",     ".",   "..",  "...",   " . ",      "../x",    "..\\x", "a/b",      "a\\b",
          "/etc", "\\x", "C:x", "C:\\x", "x:stream", "a..b",    "x\ty",  "x\ny",     "x*",
          "x?",   "a<b", "a|b", "\"q\"", "CON",      "nul.txt", "Aux",   "com1.sfi", "LPT9"})
        EXPECT_FALSE(isSafeEntryName(bad)) << bad;
    EXPECT_FALSE(isSafeEntryName(std::string(256, 'a')));
    EXPECT_FALSE(isSafeEntryName(std::string("a\0b", 3)));
}

// The contents are compared with what unzip extracts below; here the reader's lookup rules.
TEST(BackupArchive, ReaderListsInOrderAndFindsNamesInAnyCase) {
    auto reader = BackupArchiveReader::fromBytes(buildSample());
    ASSERT_TRUE(reader) << reader.status().message();
    std::vector<std::string> names;
    for (const auto& s : samples())
        names.push_back(s.name);
    EXPECT_EQ(reader->entryNames(), names);  // the archive's index last
    EXPECT_TRUE(reader->contains("REGISTRYFILE"));
    EXPECT_EQ(*reader->read("registryfile"), samples()[2].contents);
    EXPECT_FALSE(reader->contains("missing"));
    EXPECT_EQ(reader->read("missing").status().code(), platform::ErrorCode::FileNotFound);
}

TEST(BackupArchive, EveryEntryIsEncryptedAndNeedsThePassword) {
    const std::string bytes = buildSample();
    // Every local header has the "encrypted" flag; no entry's contents are readable in clear.
    std::size_t headers = 0;
    for (std::size_t at = bytes.find("PK\x03\x04"); at != std::string::npos;
         at = bytes.find("PK\x03\x04", at + 4)) {
        if (at + 8 > bytes.size()) break;
        EXPECT_EQ(le16(bytes, at + 6) & 1, 1) << "entry at " << at;
        ++headers;
    }
    EXPECT_GE(headers, samples().size());
    EXPECT_EQ(bytes.find("LongName"), std::string::npos);

    auto wrong = BackupArchiveReader::fromBytes(bytes, "wrong");
    ASSERT_TRUE(wrong);  // the directory is not encrypted
    for (const auto& s : samples()) {
        if (s.contents.empty()) continue;
        auto contents = wrong->read(s.name);
        EXPECT_FALSE(contents && *contents == s.contents) << s.name;
    }
}

TEST(BackupArchive, UnsafeDuplicateAndOversizedEntriesAreRefusedOnBothSides) {
    BackupArchiveWriter writer;
    EXPECT_FALSE(writer.add("../evil", "x"));
    EXPECT_EQ(writer.add("huge", std::string(kMaxEntrySize + 1, 'x')).code(),
              platform::ErrorCode::NotEnoughMemory);
    EXPECT_TRUE(writer.add("small", "contents"));
    EXPECT_EQ(writer.add("SMALL", "two").code(), platform::ErrorCode::AlreadyExists);
    EXPECT_EQ(writer.entryCount(), 1u);

    // An archive that claims a huge size in its directory is not read into memory.
    std::string bytes = *writer.build();
    const auto central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    bytes.replace(central + 24, 4, "\xFF\xFF\xFF\x7F");  // uncompressed size
    auto reader = BackupArchiveReader::fromBytes(bytes);
    if (reader) {
        EXPECT_FALSE(reader->read("small"));
    }
}

TEST(BackupArchive, DamagedArchivesFailCleanly) {
    auto empty = BackupArchiveReader::fromBytes(*BackupArchiveWriter().build());
    ASSERT_TRUE(empty) << empty.status().message();  // an empty archive is not damaged
    EXPECT_TRUE(empty->entryNames().empty());
    EXPECT_FALSE(BackupArchiveReader::fromBytes(""));
    EXPECT_FALSE(BackupArchiveReader::fromBytes("PK"));
    EXPECT_FALSE(BackupArchiveReader::fromBytes(randomBytes(5000, 3)));

    BackupArchiveWriter writer;
    const std::vector<Sample> small{{sfiEntryName(1), "first file"},
                                    {sfiEntryName(2), randomBytes(3000, 5)},
                                    {"quorvel.ini", "[x]\r\nLongName=C:\\x\r\n"}};
    for (const auto& s : small)
        ASSERT_TRUE(writer.add(s.name, s.contents));
    const std::string good = *writer.build();

    // Flipped bytes anywhere: opening or reading may fail, but an entry never reads back with
    // different contents (checksums and the decryption header catch the damage).
    std::mt19937 random(99);
    for (int round = 0; round < 1000; ++round) {
        std::string bytes = good;
        for (int e = 0; e < 3; ++e)
            bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
        auto reader = BackupArchiveReader::fromBytes(bytes);
        if (!reader) continue;
        for (const auto& s : small) {
            auto contents = reader->read(s.name);
            if (contents) {
                EXPECT_EQ(*contents, s.contents) << "round " << round;
            }
        }
    }
}

// Runs a shell command, returns its exit status.
int run(const std::string& command) {
    return std::system(command.c_str());
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(BackupArchive, StandardZipToolsReadItWithThePassword) {
    testing::TempDir dir;
    const auto zip = dir.path() / "backup.zip";
    {
        std::ofstream out(zip, std::ios::binary);
        const std::string bytes = buildSample();
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const auto q = [](const std::filesystem::path& p) { return "'" + p.string() + "'"; };

    if (run("command -v unzip >/dev/null 2>&1") == 0) {
        const auto out = dir.path() / "unzip";
        ASSERT_EQ(run("unzip -qq -P kq7319 " + q(zip) + " -d " + q(out)), 0);
        for (const auto& s : samples())
            EXPECT_EQ(slurp(out / s.name), s.contents) << s.name;
        // Without the password nothing is extracted.
        EXPECT_NE(run("unzip -qq -P nope " + q(zip) + " -d " + q(dir.path() / "bad") +
                      " >/dev/null 2>&1"),
                  0);
    }
}

}  // namespace
}  // namespace quorvel::backup
