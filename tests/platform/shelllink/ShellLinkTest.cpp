#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shelllink/ShellLink.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/shelllink/WineMadeLink.h"
#include "platform/text/Unicode.h"

namespace ql = quorvel::platform::shelllink;
using quorvel::platform::ErrorCode;
using quorvel::platform::FileTime;
using quorvel::platform::LinkExtraBlock;
using quorvel::platform::LinkInfo;
using quorvel::platform::LinkNetwork;
using quorvel::platform::LinkVolume;
using quorvel::platform::ShellLink;
namespace linkflag = quorvel::platform::linkflag;
namespace linkblock = quorvel::platform::linkblock;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putWide(Bytes& b, std::u16string_view s) {
    for (char16_t c : s)
        put16(b, c);
    put16(b, 0);
}

// One extra data block of the given signature, `payload` bytes long after its 8-byte head.
LinkExtraBlock block(std::uint32_t signature, std::size_t payload, std::uint8_t fill) {
    LinkExtraBlock b;
    b.signature = signature;
    put32(b.bytes, static_cast<std::uint32_t>(8 + payload));
    put32(b.bytes, signature);
    b.bytes.insert(b.bytes.end(), payload, fill);
    return b;
}

LinkExtraBlock environmentBlock(const std::string& ansi, std::u16string_view wide) {
    LinkExtraBlock b = block(linkblock::EnvironmentVariable, 260 + 520, 0);
    std::copy(ansi.begin(), ansi.end(), b.bytes.begin() + 8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        b.bytes[268 + 2 * i] = static_cast<std::uint8_t>(wide[i]);
        b.bytes[268 + 2 * i + 1] = static_cast<std::uint8_t>(wide[i] >> 8);
    }
    return b;
}

// A simple ID list as Explorer writes it: My Computer, drive, then file-system items.
class IdListBuilder {
public:
    IdListBuilder& myComputer() {
        const Bytes clsid{0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
        Bytes item{0x1F, 0x50};
        item.insert(item.end(), clsid.begin(), clsid.end());
        return add(item);
    }
    IdListBuilder& drive(const std::string& root) {
        Bytes item{0x2F};
        item.insert(item.end(), root.begin(), root.end());
        item.resize(item.size() + 20, 0);  // NUL and the unused rest
        return add(item);
    }
    // A file entry with a short name and, when version != 0, a BEEF0004 block with the long name.
    IdListBuilder& entry(std::uint8_t type, const std::string& shortName,
                         std::u16string_view longName, std::uint16_t version) {
        Bytes item{type, 0};
        put32(item, 1234);  // size
        put32(item, 0);     // DOS date and time
        put16(item, 0x10);  // attributes
        item.insert(item.end(), shortName.begin(), shortName.end());
        item.push_back(0);
        if (item.size() % 2) item.push_back(0);
        if (version != 0) {
            const std::size_t extOffset = item.size() + 2;  // from the start of the whole item
            Bytes ext;
            put16(ext, 0);  // size, set below
            put16(ext, version);
            put32(ext, 0xBEEF0004);
            const std::size_t nameAt = version >= 9   ? 46
                                       : version == 8 ? 42
                                       : version == 7 ? 38
                                                      : 20;
            ext.resize(nameAt, 0);
            putWide(ext, longName);
            put16(ext, static_cast<std::uint32_t>(extOffset));
            ext[0] = static_cast<std::uint8_t>(ext.size());
            ext[1] = static_cast<std::uint8_t>(ext.size() >> 8);
            item.insert(item.end(), ext.begin(), ext.end());
        }
        return add(item);
    }
    Bytes build() const {
        Bytes all = items_;
        put16(all, 0);
        return all;
    }

private:
    IdListBuilder& add(const Bytes& body) {
        put16(items_, static_cast<std::uint32_t>(body.size() + 2));
        items_.insert(items_.end(), body.begin(), body.end());
        return *this;
    }
    Bytes items_;
};

ShellLink fullLink() {
    ShellLink link;
    link.fileAttributes = 0x20;
    link.creationTime = FileTime{132000000000000000ULL};
    link.accessTime = FileTime{132000000000000001ULL};
    link.writeTime = FileTime{132000000000000002ULL};
    link.fileSize = 4096;
    link.iconIndex = -3;
    link.showCommand = quorvel::platform::showcmd::Maximized;
    link.hotKey = 0x0641;  // Ctrl+Alt+A
    LinkInfo li;
    li.volume = LinkVolume{3, 0x1234ABCD, "Syst\xc3\xa8me \xe2\x98\x83"};  // non-ANSI label
    li.localBasePath = "C:\\Program Files\\\xd0\x9f\xd1\x80\xd0\xbe\\app.exe";
    link.linkInfo = li;
    link.description = "Start the \xe2\x82\xac app";
    link.relativePath = "..\\..\\Program Files\\app.exe";
    link.workingDirectory = "C:\\Program Files";
    link.arguments = "/quiet \"a b\"";
    link.iconLocation = "%SystemRoot%\\system32\\shell32.dll";
    link.extraBlocks.push_back(block(0xA0000002, 0xCC - 8, 0x11));  // console properties
    link.extraBlocks.push_back(
        environmentBlock("%ProgramFiles%\\app.exe", u"%ProgramFiles%\\app.exe"));
    link.extraBlocks.push_back(block(0xA0000009, 30, 0x22));  // property store, kept raw
    return link;
}

ShellLink roundTrip(const ShellLink& link) {
    auto parsed = ql::parse(ql::serialize(link));
    EXPECT_TRUE(parsed.isOk()) << parsed.status().message();
    return parsed.isOk() ? parsed.value() : ShellLink{};
}

// Equal in everything the link carries; the presence bits of the flags are derived on writing.
void expectSameContents(ShellLink a, const ShellLink& b) {
    a.linkFlags = b.linkFlags;
    EXPECT_TRUE(a == b);
}

}  // namespace

TEST(ShellLinkRoundTrip, UnicodeLinkWithLocationInfoAndBlocksReadsBackIdentically) {
    const ShellLink link = fullLink();
    const ShellLink back = roundTrip(link);
    expectSameContents(link, back);
    EXPECT_TRUE(back.isUnicode());
    EXPECT_TRUE(back.linkFlags & linkflag::HasExpString);  // follows the environment block
    EXPECT_EQ(back.targetPath(), link.linkInfo->localBasePath);
    // Writing what was read gives the same bytes.
    EXPECT_EQ(ql::serialize(back), ql::serialize(link));
}

TEST(ShellLinkRoundTrip, AnsiLinkKeepsWindows1252TextsAndSwitchesToUnicodeWhenItMust) {
    ShellLink link;
    link.linkFlags = 0;  // ANSI
    link.description = "Caf\xc3\xa9 \xe2\x82\xac";
    link.arguments = "-x";
    LinkInfo li;
    li.volume = LinkVolume{3, 7, "DATA"};
    li.localBasePath = "C:\\Caf\xc3\xa9\\run.exe";
    link.linkInfo = li;
    const std::string bytes = ql::serialize(link);
    EXPECT_NE(bytes.find("Caf\xe9 \x80"), std::string::npos);  // stored as Windows-1252
    const ShellLink back = roundTrip(link);
    EXPECT_FALSE(back.isUnicode());
    expectSameContents(link, back);

    link.arguments = "\xe2\x98\x83";  // no Windows-1252 byte: the link is written as Unicode
    const ShellLink wide = roundTrip(link);
    EXPECT_TRUE(wide.isUnicode());
    EXPECT_EQ(wide.arguments, "\xe2\x98\x83");
    EXPECT_EQ(wide.description, link.description);
}

TEST(ShellLinkRoundTrip, AbsentAndEmptyTextsStayApart) {
    ShellLink link;
    link.description = "";
    const ShellLink back = roundTrip(link);
    EXPECT_EQ(back.description, std::optional<std::string>(""));
    EXPECT_FALSE(back.arguments.has_value());
    EXPECT_FALSE(back.linkInfo.has_value());
    EXPECT_TRUE(back.targetPath().empty());
}

TEST(ShellLinkTarget, DerivedFromASimpleIdListWhenThereIsNoLocationInfo) {
    ShellLink link;
    link.idList = IdListBuilder()
                      .myComputer()
                      .drive("C:\\")
                      .entry(0x31, "PROGRA~1", u"Program Files", 9)
                      .entry(0x31, "OLDAPP", u"Old App", 3)
                      .entry(0x31, "VISTA~1", u"Vista Dir", 8)
                      .entry(0x32, "APP.EXE", u"", 0)
                      .build();
    EXPECT_EQ(link.idListPath(), "C:\\Program Files\\Old App\\Vista Dir\\APP.EXE");
    const ShellLink back = roundTrip(link);
    EXPECT_EQ(back.idList, link.idList);
    EXPECT_EQ(back.targetPath(), "C:\\Program Files\\Old App\\Vista Dir\\APP.EXE");
}

TEST(ShellLinkTarget, ShellItemsAndBrokenIdListsGiveNoPath) {
    ShellLink controlPanel;
    Bytes ids;
    put16(ids, 20);
    ids.push_back(0x1F);
    ids.push_back(0x50);
    ids.resize(ids.size() + 16, 0x77);  // another root class
    put16(ids, 0);
    controlPanel.idList = ids;
    EXPECT_EQ(controlPanel.targetPath(), "");

    ShellLink broken;
    broken.idList = IdListBuilder().myComputer().drive("C:\\").build();
    broken.idList.pop_back();  // no terminator
    EXPECT_EQ(broken.idListPath(), "");
    broken.idList = {0xFF, 0x7F, 0x1F};  // an item longer than the list
    EXPECT_EQ(broken.idListPath(), "");
}

TEST(ShellLinkTarget, OrderIsNetworkThenLocalThenIdListThenEnvironment) {
    ShellLink link;
    link.extraBlocks.push_back(environmentBlock("%windir%\\a.exe", u""));
    EXPECT_EQ(link.targetPath(), "%windir%\\a.exe");  // ANSI when the wide target is empty
    link.extraBlocks[0] = environmentBlock("%windir%\\a.exe", u"%windir%\\w.exe");
    EXPECT_EQ(link.targetPath(), "%windir%\\w.exe");
    link.idList = IdListBuilder().myComputer().drive("D:\\").entry(0x32, "B.EXE", u"", 0).build();
    EXPECT_EQ(link.targetPath(), "D:\\B.EXE");
    LinkInfo li;
    li.volume = LinkVolume{};
    li.localBasePath = "C:\\local.exe";
    link.linkInfo = li;
    EXPECT_EQ(link.targetPath(), "C:\\local.exe");
    link.linkInfo->network = LinkNetwork{"\\\\srv\\share", "Z:", 0x00020000};
    link.linkInfo->commonPathSuffix = "dir\\f.exe";
    EXPECT_EQ(link.targetPath(), "\\\\srv\\share\\dir\\f.exe");
    link.linkFlags |= linkflag::ForceNoLinkInfo;
    EXPECT_EQ(link.targetPath(), "D:\\B.EXE");

    const ShellLink back = roundTrip(link);
    EXPECT_EQ(back.linkInfo, link.linkInfo);
    EXPECT_TRUE(back.linkFlags & linkflag::ForceNoLinkInfo);
}

TEST(ShellLinkRepoint, KeepsEverythingButWhatDescribedTheOldTarget) {
    ShellLink link = fullLink();
    link.idList = IdListBuilder().myComputer().drive("C:\\").entry(0x32, "APP.EXE", u"", 0).build();
    link.extraBlocks.push_back(block(linkblock::Tracker, 88, 0x33));
    const ShellLink original = roundTrip(link);

    ShellLink moved = original;
    moved.setTarget("C:\\Tools\\new.exe");
    const ShellLink back = roundTrip(moved);
    EXPECT_EQ(back.targetPath(), "C:\\Tools\\new.exe");
    EXPECT_EQ(back.linkInfo->volume, original.linkInfo->volume);  // same drive: volume kept
    EXPECT_TRUE(back.idList.empty());
    EXPECT_FALSE(back.relativePath);
    EXPECT_EQ(back.arguments, original.arguments);
    EXPECT_EQ(back.iconLocation, original.iconLocation);
    EXPECT_EQ(back.hotKey, original.hotKey);
    EXPECT_TRUE(back.findBlock(0xA0000002));  // console and property store blocks survive
    EXPECT_TRUE(back.findBlock(0xA0000009));
    EXPECT_FALSE(back.findBlock(linkblock::EnvironmentVariable));
    EXPECT_FALSE(back.findBlock(linkblock::Tracker));
    EXPECT_FALSE(back.linkFlags & linkflag::HasExpString);

    moved.setTarget("E:\\other.exe");
    EXPECT_EQ(moved.linkInfo->volume, LinkVolume{});  // another drive: a fresh volume
    moved.setTarget("\\\\server\\share\\dir\\x.exe");
    const ShellLink unc = roundTrip(moved);
    EXPECT_EQ(unc.linkInfo->network->netName, "\\\\server\\share");
    EXPECT_EQ(unc.targetPath(), "\\\\server\\share\\dir\\x.exe");
}

TEST(ShellLinkDamage, EveryTruncationIsAnErrorNeverACrash) {
    ShellLink link = fullLink();
    link.idList = IdListBuilder().myComputer().drive("C:\\").entry(0x32, "APP.EXE", u"", 0).build();
    link.linkInfo->network = LinkNetwork{"\\\\srv\\\xe2\x98\x83", "Y:", 0x20000};
    const std::string bytes = ql::serialize(link);
    ASSERT_TRUE(ql::parse(bytes).isOk());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const auto r = ql::parse(std::string_view(bytes).substr(0, n));
        ASSERT_FALSE(r.isOk()) << "cut at " << n;
        EXPECT_EQ(r.status().code(), ErrorCode::BadFormat);
    }
}

TEST(ShellLinkDamage, SizesAndOffsetsThatPointOutsideAreErrors) {
    ShellLink link;
    LinkInfo li;
    li.volume = LinkVolume{3, 1, "L"};
    li.localBasePath = "C:\\a.exe";
    link.linkInfo = li;
    link.description = "d";
    const std::string good = ql::serialize(link);
    ASSERT_TRUE(ql::parse(good).isOk());
    auto patched = [&](std::size_t at, std::uint32_t v) {
        std::string b = good;
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>(v >> (8 * i));
        return ql::parse(b).isOk();
    };
    constexpr std::size_t kInfo = 0x4C;
    EXPECT_FALSE(patched(0, 0x50));                 // header size
    EXPECT_FALSE(patched(4, 0));                    // class id
    EXPECT_FALSE(patched(kInfo, 0xFFFFFFF0));       // LinkInfoSize past the end
    EXPECT_FALSE(patched(kInfo + 4, 0x20));         // header size between the two valid ones
    EXPECT_FALSE(patched(kInfo + 12, 0x7FFFFFFF));  // volume offset
    EXPECT_FALSE(patched(kInfo + 16, 0xFFFFFFFF));  // local base path offset
    EXPECT_FALSE(patched(kInfo + 0x1C, 0x100000));  // VolumeIDSize
    {
        std::string b = good;  // StringData count far beyond the data
        const auto at = kInfo + static_cast<unsigned char>(b[kInfo]);
        b[at] = '\xFF';
        b[at + 1] = '\xFF';
        EXPECT_FALSE(ql::parse(b).isOk());
    }
    {
        std::string b = good;  // texts without a terminating NUL inside the location info
        const auto pos = b.find("C:\\a.exe");
        b[pos + 8] = 'x';  // the base path's NUL
        b[pos + 9] = 'x';  // the empty suffix that follows, the last byte of the location info
        EXPECT_FALSE(ql::parse(b).isOk());
    }
    {
        std::string b = good;  // an extra block whose size runs past the end
        b.resize(b.size() - 4);
        b += std::string("\x00\x01\x00\x00\x02\x00\x00\xA0", 8);
        EXPECT_FALSE(ql::parse(b).isOk());
        b.resize(b.size() - 8);
        b += std::string("\x05\x00\x00\x00", 4);  // between terminal and the smallest block
        EXPECT_FALSE(ql::parse(b).isOk());
    }
    EXPECT_FALSE(ql::parse("").isOk());
    EXPECT_FALSE(ql::parse("[InternetShortcut]\r\nURL=http://example.com/\r\n").isOk());
}

TEST(ShellLinkWine, ReadsALinkWineSavedAndRepointsIt) {
    const std::string_view bytes(reinterpret_cast<const char*>(kWineMadeLink),
                                 sizeof kWineMadeLink);
    const auto link = ql::parse(bytes);
    ASSERT_TRUE(link) << link.status().message();
    EXPECT_EQ(link->targetPath(), "C:\\windows\\notepad.exe");
    EXPECT_EQ(link->idListPath(), "C:\\windows\\notepad.exe");  // the ID list agrees
    // Wine counts the terminating NUL of each text; the texts end before it.
    EXPECT_EQ(link->description, "Made by Wine");
    EXPECT_EQ(link->arguments, "/p readme.txt");
    EXPECT_EQ(link->workingDirectory, "C:\\windows");
    EXPECT_EQ(link->iconLocation, "C:\\windows\\system32\\shell32.dll");
    EXPECT_EQ(link->iconIndex, 3);
    EXPECT_EQ(link->showCommand, quorvel::platform::showcmd::Maximized);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        ASSERT_FALSE(ql::parse(bytes.substr(0, n))) << "cut at " << n;
    }

    ShellLink moved = *link;
    moved.setTarget("C:\\windows\\regedit.exe");
    const ShellLink back = roundTrip(moved);
    EXPECT_EQ(back.targetPath(), "C:\\windows\\regedit.exe");
    EXPECT_EQ(back.description, "Made by Wine");
    EXPECT_EQ(back.iconIndex, 3);
}
