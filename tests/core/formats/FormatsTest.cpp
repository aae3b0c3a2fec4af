#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "core/formats/CompressedData.h"
#include "core/formats/IniFile.h"
#include "core/formats/ProfileFile.h"
#include "core/formats/TimeSerial.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace quorvel::core {
namespace {

namespace chr = std::chrono;
using namespace std::chrono_literals;
using platform::ErrorCode;
using testing::TempDir;

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(IniFileRead, ValuesAsTheProfileFunctionsReadThemAndSectionsInFileOrder) {
    const IniFile ini = IniFile::parse(
        "; comment=not a key\r\n[Portable]\r\nType=1\r\ntype=2\r\nDataPath = D:\\Data \r\n"
        "  a = \"  spaced  \" \r\nb='x'\nc=\"\nd=\"x'\n;e=1\nf=\n"
        "[PORTABLE]\r\nOther=x\r\n"
        "[n]\nneg=-17\nplus=+8\ntail=12abc\nword=abc\nempty=\nquoted=\"5\"\nbig=4294967297\n"
        "zero=0\ntwo=2\n");
    EXPECT_EQ(ini.readString("  portable ", " TYPE "), "1");  // any case and blanks; first wins
    EXPECT_EQ(ini.readString("Missing", "Type", "dflt"), "dflt");
    // Quotes are stripped only in pairs; a commented-out line is no key; a later section of the
    // same name is not seen.
    const std::pair<const char*, const char*> strings[] = {{"DataPath", "D:\\Data"},
                                                           {"a", "  spaced  "},
                                                           {"b", "x"},
                                                           {"c", "\""},
                                                           {"d", "\"x'"},
                                                           {"f", ""},
                                                           {"e", "dflt"},
                                                           {"Other", "dflt"}};
    for (const auto& [key, value] : strings)
        EXPECT_EQ(ini.readString("Portable", key, "dflt"), value) << key;

    const std::pair<const char*, int> integers[] = {
        {"neg", -17}, {"plus", 8},    {"tail", 12},  {"word", 0},
        {"empty", 9}, {"missing", 9}, {"quoted", 5}, {"big", 1} /* wraps at 32 bits */};
    for (const auto& [key, value] : integers)
        EXPECT_EQ(ini.readInteger("n", key, 9), value) << key;
    EXPECT_FALSE(ini.readBool("n", "zero", true));
    EXPECT_TRUE(ini.readBool("n", "two", false));
    EXPECT_FALSE(ini.readBool("n", "word", true));
    EXPECT_TRUE(ini.readBool("n", "missing", true));

    // Section names and values in file order.
    const IniFile ordered = IniFile::parse(
        "top=ignored\n[46000.5]\nType=29001\n29601=46000.51\n\n; note\n[]\nx=1\n"
        "[Folders]\nb=C:\\B\na=\"C:\\A\"\nnovalue\n[46000.4]\nType=11001\n");
    EXPECT_EQ(ordered.sectionNames(), (std::vector<std::string>{"46000.5", "Folders", "46000.4"}));
    const auto values = ordered.sectionValues("folders");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (IniFile::KeyValue{"b", "C:\\B"}));
    EXPECT_EQ(values[1], (IniFile::KeyValue{"a", "C:\\A"}));
    EXPECT_EQ(ordered.keyNames("46000.5"), (std::vector<std::string>{"Type", "29601"}));
    EXPECT_TRUE(ordered.sectionValues("none").empty());
}

TEST(IniFileWrite, UpdatesInPlaceAppendsAndKeepsEveryOtherLineByteForByte) {
    const std::string text =
        "; backups\r\n[A]\r\n  Key = old ; not a comment\r\nkeep=1\r\n\r\n[B]\r\nx=y\r\n";
    IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.serialize(), text);  // unchanged text survives exactly
    ini.writeString("a", "KEY", "new");
    EXPECT_EQ(ini.serialize(), "; backups\r\n[A]\r\nKey=new\r\nkeep=1\r\n\r\n[B]\r\nx=y\r\n");
    EXPECT_EQ(ini.readString("A", "key"), "new");

    // A missing key goes to the end of its section, a missing section to the end.
    IniFile lf = IniFile::parse("[A]\nk=1\n\n[B]\nx=y");
    lf.writeString("A", "added", "2");
    lf.writeInteger("C", "n", -5);
    lf.writeBool("B", "flag", true);
    EXPECT_EQ(lf.serialize(), "[A]\nk=1\nadded=2\n\n[B]\nx=y\nflag=1\n[C]\nn=-5\n");
    EXPECT_FALSE(lf.usesCrLf());

    // New files use CR LF, and a value cannot inject lines.
    IniFile fresh;
    fresh.writeString("Folder3", "LongName", "C:\\odd\r\n[Injected]\nname");
    EXPECT_EQ(fresh.sectionNames(), std::vector<std::string>{"Folder3"});
    EXPECT_EQ(fresh.serialize(), "[Folder3]\r\nLongName=C:\\odd  [Injected] name\r\n");
}

TEST(IniFileWrite, EraseSectionAndKey) {
    IniFile ini = IniFile::parse("[A]\nk=1\nk=2\nj=3\n[B]\nx=1\n[a]\nk=9\n[C]\n");
    EXPECT_TRUE(ini.eraseKey("A", "K"));
    EXPECT_FALSE(ini.valueExists("A", "k"));
    EXPECT_EQ(ini.readString("A", "j"), "3");
    EXPECT_FALSE(ini.eraseKey("A", "k"));
    EXPECT_FALSE(ini.eraseKey("Z", "k"));

    EXPECT_TRUE(ini.eraseSection("a"));  // both sections named A go
    EXPECT_EQ(ini.serialize(), "[B]\nx=1\n[C]\n");
    EXPECT_FALSE(ini.eraseSection("A"));
}

TEST(IniFileDamaged, JunkNeverFailsAndKeepsWhatItCan) {
    const std::string junk = "[ok]\nv=1\n\x01\xff\n[\n[half\n=novalue\n]]\n[tail]\rcr=only\rlast=1";
    IniFile ini = IniFile::parse(junk);
    EXPECT_EQ(ini.serialize(), junk);
    EXPECT_EQ(ini.readString("ok", "v"), "1");
    EXPECT_EQ(ini.readString("tail", "cr"), "only");
    EXPECT_EQ(ini.readString("tail", "last"), "1");  // no newline at the end

    ini.writeString("tail", "new", "2");  // the unterminated last line gets a line end first
    EXPECT_EQ(ini.readString("tail", "last"), "1");
    EXPECT_EQ(ini.readString("tail", "new"), "2");

    // A byte order mark is kept but is not part of the first section's name.
    const std::string bom = "\xEF\xBB\xBF[Portable]\r\nType=1\r\n";
    EXPECT_TRUE(IniFile::parse(bom).readBool("Portable", "Type", false));
    EXPECT_EQ(IniFile::parse(bom).serialize(), bom);
}

TEST(IniFileFiles, WriteThroughOnHostAndMachineFilesAndNoOverwriteOfTheUnreadable) {
    TempDir dir;
    const auto path = dir.path() / "index.ini";
    ProfileFile index(path);
    EXPECT_EQ(index.readString("s", "k", "none"), "none");  // missing file reads as empty
    ASSERT_TRUE(index.writeString("46000.5", "Type", "29001"));
    ASSERT_TRUE(index.writeString("46000.5", "29601", "46000.51"));

    // A second object sees each write at once.
    ProfileFile other(path);
    EXPECT_EQ(other.readInteger("46000.5", "type", 0), 29001);
    ASSERT_TRUE(other.eraseKey("46000.5", "29601"));
    EXPECT_FALSE(index.valueExists("46000.5", "29601"));

    EXPECT_EQ(readBytes(path), "[46000.5]\r\nType=29001\r\n");
    ASSERT_TRUE(index.eraseSection("46000.5"));
    EXPECT_TRUE(index.sectionNames().empty());
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path(), path);  // no temp left

    // An unreadable file is not overwritten.
    std::filesystem::create_directory(dir.path() / "settings.ini");  // a folder, not a file
    ProfileFile ini(dir.path() / "settings.ini");
    EXPECT_FALSE(ini.writeString("s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "settings.ini"));

    // A file of a machine is read and written through its file system.
    testing::MachineBuilder builder;
    builder.file("C:\\Backups\\index.ini", "; kept\r\n[46000.5]\r\nType=29001\r\n");
    auto machine = builder.build();
    ProfileFile onMachine(machine->fileSystem(), "c:\\BACKUPS\\Index.INI");
    EXPECT_EQ(onMachine.readInteger("46000.5", "Type", 0), 29001);
    ASSERT_TRUE(onMachine.writeString("46000.5", "29602", "46000.6"));
    EXPECT_EQ(readBytes(builder.hostPath("C:\\Backups\\index.ini")),
              "; kept\r\n[46000.5]\r\nType=29001\r\n29602=46000.6\r\n");

    // A folder that does not exist: reads give defaults, the write reports failure.
    ProfileFile missing(machine->fileSystem(), "C:\\NoSuchFolder\\index.ini");
    EXPECT_EQ(missing.readString("a", "b", "dflt"), "dflt");
    EXPECT_FALSE(missing.writeString("a", "b", "c"));
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
    const auto flipped = [&](std::size_t at, char bits) {
        std::string bytes = good;
        bytes[at] ^= bits;
        return bytes;
    };
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""},
        {"header only", good.substr(0, 2)},
        {"not a deflate zlib header", flipped(2, 0x0A)},
        {"bad data", flipped(6, 0x5A)},
        {"bad checksum", flipped(good.size() - 1, 0x01)},
        {"truncated", good.substr(0, good.size() - 5)},
        {"truncated to the zlib header", good.substr(0, 4)},
        {"trailing junk", good + "junk"},
        {"two streams", good + good.substr(2)},
        {"raw text", "[Registry]\r\nnot compressed\r\n"}};
    for (const auto& [what, bytes] : damaged) {
        const CompressedLines result = DecodeCompressedLines(bytes);
        EXPECT_EQ(result.status.code(), ErrorCode::InvalidData) << what;
        EXPECT_TRUE(result.lines.empty()) << what;
    }
    // A small container that inflates beyond the limit is refused.
    const std::string bomb = CompressPayload(std::string(1'000'000, '\0'));
    EXPECT_LT(bomb.size(), 2000u);
    EXPECT_EQ(InflateContainer(bomb, 999'999).status().code(), ErrorCode::InvalidData);
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

TimeSerial::LocalMillis at(int year, unsigned month, unsigned day, chr::milliseconds timeOfDay) {
    return chr::local_days{chr::year{year} / chr::month{month} / chr::day{day}} + timeOfDay;
}

TEST(TimeSerialCalendar, KnownDatesAndExactRoundTrips) {
    // Before the epoch the day is negative and the time of day adds its magnitude.
    const std::pair<TimeSerial::LocalMillis, double> known[] = {{at(1899, 12, 30, 0ms), 0.0},
                                                                {at(1900, 1, 1, 18h), 2.75},
                                                                {at(2025, 1, 1, 12h), 45658.5},
                                                                {at(1899, 12, 29, 6h), -1.25},
                                                                {at(1899, 12, 28, 18h), -2.75}};
    for (const auto& [local, days] : known) {
        EXPECT_EQ(TimeSerial::fromLocal(local).days(), days);
        EXPECT_EQ(TimeSerial(days).toLocal(), local) << days;
    }
    // Through the serial and its text with either separator, times come back to the millisecond.
    const auto lastMs = 23h + 59min + 59s + 999ms;
    for (const auto local :
         {at(2026, 12, 6, lastMs), at(2026, 3, 29, 2h + 30min + 1ms), at(1899, 12, 29, lastMs),
          at(1800, 2, 28, 1ms), at(1, 1, 1, 12h + 1ms), at(9999, 12, 31, lastMs)}) {
        const TimeSerial serial = TimeSerial::fromLocal(local);
        EXPECT_EQ(serial.toLocal(), local) << serial.toText('.');
        for (char separator : {'.', ','})
            EXPECT_EQ(
                TimeSerial::parse(serial.toText(separator)).value_or(TimeSerial(-1e9)).toLocal(),
                local)
                << serial.toText(separator);
    }
    // The system clock and file times, at midday in January and July (far from any
    // daylight-saving change).
    for (auto date : {chr::year{2026} / 1 / 15, chr::year{2026} / 7 / 15}) {
        const auto time = chr::sys_days{date} + 12h + 34min + 56s + 789ms;
        const TimeSerial serial = TimeSerial::fromSystemClock(time);
        EXPECT_EQ(serial.toSystemClock(), time);
        const auto sinceUnix = time.time_since_epoch();
        EXPECT_EQ(TimeSerial::fromFileTime(platform::FileTime::fromUnix(
                      chr::floor<chr::seconds>(sinceUnix).count(),
                      chr::duration_cast<chr::nanoseconds>(sinceUnix % 1s).count())),
                  serial);
    }
}

TEST(TimeSerialText, FifteenSignificantDigitsAndTheSeparatorGiven) {
    EXPECT_EQ(TimeSerial(45658.5).toText('.'), "45658.5");
    EXPECT_EQ(TimeSerial(46000.0).toText(','), "46000");
    EXPECT_EQ(TimeSerial(-0.0).toText('.'), "0");
    EXPECT_EQ(TimeSerial(-1.25).toText(','), "-1,25");
    // Five integer digits leave ten decimals.
    EXPECT_EQ(TimeSerial(46000.123456789012345).toText('.'), "46000.123456789");
    EXPECT_EQ(TimeSerial(46000.12345678906).toText('.'), "46000.1234567891");
    EXPECT_EQ(TimeSerial(1.0 / 3.0).toText('.'), "0.333333333333333");
    EXPECT_EQ(TimeSerial(0.00001).toText('.'), "1E-5");
}

TEST(TimeSerialText, ReadsEitherSeparatorAndRejectsJunk) {
    const std::pair<const char*, double> good[] = {{"46000,25", 46000.25},
                                                   {"46000.25", 46000.25},
                                                   {" 46000 ", 46000.0},
                                                   {"-1,25", -1.25},
                                                   {"1E-5", 0.00001}};
    for (const auto& [text, days] : good)
        EXPECT_EQ(TimeSerial::parse(text)->days(), days) << text;
    for (const char* bad : {"", " ", "abc", "46000.5x", "46000,5,1", "1.2.3", "nan", "inf", "1e300",
                            "-1e7", "46000.5 junk", "--1", "0x10"}) {
        EXPECT_FALSE(TimeSerial::parse(bad)) << bad;
    }
}

}  // namespace
}  // namespace quorvel::core
