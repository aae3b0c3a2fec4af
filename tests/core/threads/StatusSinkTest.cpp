#include "core/threads/StatusSink.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::core {
namespace {

TEST(ShortenTailText, BoundariesAroundTheWidthInCharacters) {
    EXPECT_EQ(ShortenTail("abcdef", 6), "abcdef");
    EXPECT_EQ(ShortenTail("abcdefg", 6), "..cdefg");  // ".." + the last 5
    EXPECT_EQ(ShortenTail("", 0), "");
    EXPECT_EQ(ShortenTail("ab", 1), "..");
    EXPECT_EQ(ShortenTail("ab", -3), "..");
    // Characters are counted, not bytes, and none is split.
    EXPECT_EQ(ShortenTail("äöü", 3), "äöü");  // six bytes, three characters
    EXPECT_EQ(ShortenTail("xäöü€", 4), "..öü€");
    EXPECT_EQ(ShortenTail("日本語のパス", 3), "..パス");
}

TEST(ShortenPathKeepDriveText, DriveThenBackslashDotsThenTheTail) {
    const std::string path = "C:\\" + std::string(187, 'd') + "\\file.txt";
    ASSERT_EQ(path.size(), 199u);
    const std::string longer = path + "x";  // 200 characters
    const std::string shown = ShortenPathKeepDrive(longer, 60);
    EXPECT_EQ(shown, "C:\\.." + longer.substr(longer.size() - 56));
    EXPECT_EQ(ShortenPathKeepDrive("C:\\short.txt", 60), "C:\\short.txt");
    EXPECT_EQ(ShortenPathKeepDrive("C:\\abcdef", 9), "C:\\abcdef");
    EXPECT_EQ(ShortenPathKeepDrive("C:\\abcdefg", 9), "C:\\..cdefg");
}

TEST(ShortenPathKeepDriveText, NetworkPathsKeepServerAndShareOtherPathsNoDrive) {
    EXPECT_EQ(ShortenPathKeepDrive("\\\\server\\share\\folder\\file.txt", 12),
              "\\\\server\\share\\..file.txt");
    EXPECT_EQ(ShortenPathKeepDrive("\\\\server", 4), "\\\\server\\..");
    EXPECT_EQ(ShortenPathKeepDrive("relative\\folder\\file.txt", 12), "\\..file.txt");
    EXPECT_EQ(ShortenPathKeepDrive("C:\\abc", 2), "C:\\..");
}

TEST(StatusSinkState, PositionsAreClampedAndEveryPublishCounts) {
    StatusSink sink(40);
    sink.publish("Scanning", 150);
    EXPECT_EQ(sink.snapshot().position, 100);
    sink.publishPosition(-4);
    sink.publishText("HKEY_CURRENT_USER");
    const auto snapshot = sink.snapshot();
    EXPECT_EQ(snapshot.position, 0);
    EXPECT_EQ(snapshot.text, "HKEY_CURRENT_USER");
    EXPECT_EQ(snapshot.generation, 3u);
}

}  // namespace
}  // namespace quorvel::core
