#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/pe/PeVersionReader.h"

namespace qpe = quorvel::platform::pe;
using quorvel::platform::VersionInfo;
using quorvel::platform::VersionTranslation;

namespace {

using Bytes = std::string;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void set16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    set16(b, at, v & 0xFFFF);
    set16(b, at + 2, v >> 16);
}
void pad4(Bytes& b) {
    while (b.size() % 4)
        b.push_back('\0');
}
void putWide(Bytes& b, std::u16string_view s) {
    for (char16_t c : s)
        put16(b, c);
    put16(b, 0);
}

// One node of a version resource, laid out the way resource compilers write it.
Bytes node(std::u16string_view key, std::uint16_t type, const Bytes& value,
           std::uint16_t valueLength, const std::vector<Bytes>& children = {}) {
    Bytes b;
    put16(b, 0);
    put16(b, valueLength);
    put16(b, type);
    putWide(b, key);
    pad4(b);
    b += value;
    for (const auto& child : children) {
        pad4(b);
        b += child;
    }
    set16(b, 0, static_cast<std::uint32_t>(b.size()));
    return b;
}

Bytes stringItem(std::u16string_view name, std::u16string_view text) {
    Bytes value;
    putWide(value, text);
    return node(name, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}

Bytes fixedInfo(std::uint32_t fileMs, std::uint32_t fileLs, std::uint32_t prodMs,
                std::uint32_t prodLs) {
    Bytes f;
    put32(f, 0xFEEF04BD);
    put32(f, 0x00010000);
    put32(f, fileMs);
    put32(f, fileLs);
    put32(f, prodMs);
    put32(f, prodLs);
    for (int i = 0; i < 7; ++i)
        put32(f, i == 2 ? 0x40004 : 0);  // FileOS = NT_WINDOWS32
    return f;
}

Bytes sampleVersionResource() {
    Bytes translations;
    put16(translations, 0x0409);
    put16(translations, 1200);
    put16(translations, 0x0407);
    put16(translations, 1252);
    return node(u"VS_VERSION_INFO", 0, fixedInfo(0x00010002, 0x00030004, 0x00050006, 0x00070008),
                52,
                {node(u"StringFileInfo", 1, "", 0,
                      {node(u"040904b0", 1, "", 0,
                            {stringItem(u"CompanyName", u"Quorvel Test \u00c4G"),
                             stringItem(u"FileVersion", u"1.2.3.4"), stringItem(u"Comments", u"")}),
                       node(u"040704E4", 1, "", 0, {stringItem(u"FileVersion", u"1,2,3,4 de")})}),
                 node(u"VarFileInfo", 1, "", 0, {node(u"Translation", 0, translations, 8)})});
}

// A PE32 or PE32+ image with one .rsrc section holding an RT_VERSION resource.
Bytes peImage(const Bytes& versionResource, bool pe32Plus, std::uint32_t resourceType = 16) {
    constexpr std::uint32_t kSectionRva = 0x1000, kRawPointer = 0x200;
    Bytes img(0x40, '\0');
    img[0] = 'M';
    img[1] = 'Z';
    set32(img, 0x3C, 0x40);
    img += std::string("PE\0\0", 4);
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    put16(img, pe32Plus ? 0x8664 : 0x14C);
    put16(img, 1);  // sections
    put32(img, 0);
    put32(img, 0);
    put32(img, 0);
    put16(img, optionalSize);
    put16(img, 0x2022);
    const std::size_t opt = img.size();
    img.resize(opt + optionalSize, '\0');
    set16(img, opt, pe32Plus ? 0x20B : 0x10B);
    const std::size_t dirs = opt + (pe32Plus ? 112 : 96);
    set32(img, dirs - 4, 16);  // NumberOfRvaAndSizes

    // Resource tree: type -> name 1 -> language 0x409 -> data entry -> data.
    Bytes rsrc;
    auto directory = [&](std::uint32_t id, std::uint32_t target) {
        const std::size_t at = rsrc.size();
        rsrc.resize(at + 16, '\0');
        set16(rsrc, at + 14, 1);
        put32(rsrc, id);
        put32(rsrc, target);
    };
    directory(resourceType, 0x80000000u | 0x18);
    directory(1, 0x80000000u | 0x30);
    directory(0x409, 0x48);
    put32(rsrc, kSectionRva + 0x58);
    put32(rsrc, static_cast<std::uint32_t>(versionResource.size()));
    put32(rsrc, 0);
    put32(rsrc, 0);
    rsrc += versionResource;
    pad4(rsrc);

    set32(img, dirs + 16, kSectionRva);
    set32(img, dirs + 20, static_cast<std::uint32_t>(rsrc.size()));
    Bytes section(".rsrc\0\0\0", 8);
    put32(section, static_cast<std::uint32_t>(rsrc.size()));
    put32(section, kSectionRva);
    put32(section, static_cast<std::uint32_t>(rsrc.size()));
    put32(section, kRawPointer);
    section.resize(40, '\0');
    img += section;
    img.resize(kRawPointer, '\0');
    img += rsrc;
    return img;
}

void expectSample(const std::optional<VersionInfo>& info) {
    ASSERT_TRUE(info.has_value());
    ASSERT_TRUE(info->fixed.has_value());
    EXPECT_EQ(info->fixed->fileVersionMs, 0x00010002u);
    EXPECT_EQ(info->fixed->fileVersionLs, 0x00030004u);
    EXPECT_EQ(info->fixed->productVersionMs, 0x00050006u);
    EXPECT_EQ(info->fixed->productVersionLs, 0x00070008u);
    EXPECT_EQ(info->fixed->fileOs, 0x40004u);
    ASSERT_EQ(info->translations.size(), 2u);
    EXPECT_EQ(info->translations[0], (VersionTranslation{0x0409, 1200}));
    EXPECT_EQ(info->translations[0].tableKey(), "040904B0");
    EXPECT_EQ(info->string("040904B0", "companyname"), "Quorvel Test \xc3\x84G");
    EXPECT_EQ(info->firstTranslationString("FileVersion"), "1.2.3.4");
    EXPECT_EQ(info->string("040704e4", "FileVersion"), "1,2,3,4 de");
    EXPECT_EQ(info->string("040904B0", "Comments"), "");
    EXPECT_FALSE(info->string("040904B0", "ProductName").has_value());
    EXPECT_FALSE(info->string("041104B0", "FileVersion").has_value());
}

std::string readHostFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::string data(std::filesystem::file_size(p), '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    return data;
}

}  // namespace

TEST(PeVersion, ReadsFixedInfoTranslationsAndStringsFromPe32PlusAndPe32) {
    expectSample(qpe::readVersionInfo(peImage(sampleVersionResource(), true)));
    expectSample(qpe::readVersionInfo(peImage(sampleVersionResource(), false)));
}

TEST(PeVersion, FilesWithoutAVersionResourceGiveNothing) {
    EXPECT_FALSE(qpe::readVersionInfo(peImage(sampleVersionResource(), true, 6)));  // RT_STRING
    EXPECT_FALSE(qpe::readVersionInfo(""));
    EXPECT_FALSE(qpe::readVersionInfo("MZ"));
    EXPECT_FALSE(qpe::readVersionInfo(std::string(4096, 'M')));
    Bytes noResourceDirectory = peImage(sampleVersionResource(), true);
    set32(noResourceDirectory, 0x40 + 24 + 108, 2);  // NumberOfRvaAndSizes stops before it
    EXPECT_FALSE(qpe::readVersionInfo(noResourceDirectory));
}

TEST(PeVersion, ToleratesValueLengthsInBytesAndOddResourceLayouts) {
    // Some tools count a string's value length in bytes; the text still ends at its NUL.
    Bytes value;
    putWide(value, u"9.8");
    const Bytes res =
        node(u"VS_VERSION_INFO", 0, "", 0,
             {node(u"StringFileInfo", 1, "", 0,
                   {node(u"000004B0", 1, "", 0, {node(u"FileVersion", 1, value, 8)})})});
    const auto info = qpe::readVersionInfo(peImage(res, true));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->fixed);  // no fixed block at all
    EXPECT_TRUE(info->translations.empty());
    EXPECT_FALSE(info->firstTranslationString("FileVersion"));
    EXPECT_EQ(info->string("000004b0", "FileVersion"), "9.8");
}

TEST(PeVersionDamage, TruncationsAndBadSizesNeverCrashOrHang) {
    const Bytes good = peImage(sampleVersionResource(), true);
    for (std::size_t n = 0; n < good.size(); ++n) {
        // Every cut removes part of the resource the section promises: nothing is returned.
        EXPECT_FALSE(qpe::readVersionInfo(std::string_view(good).substr(0, n))) << n;
    }
    constexpr std::size_t kRsrc = 0x200, kVersion = kRsrc + 0x58;
    auto with = [&](std::size_t at, std::uint32_t v, bool wide) {
        Bytes b = good;
        wide ? set32(b, at, v) : set16(b, at, v);
        return qpe::readVersionInfo(b);
    };
    EXPECT_FALSE(with(0x3C, 0xFFFFFFF0, true));   // e_lfanew past the end
    EXPECT_FALSE(with(0x40 + 6, 0xFFFF, false));  // 65535 sections in a short file
    Bytes manyEntries = good;  // 65535 type entries, none of them RT_VERSION, in a short file
    set16(manyEntries, kRsrc + 14, 0xFFFF);
    set32(manyEntries, kRsrc + 16, 17);
    EXPECT_FALSE(qpe::readVersionInfo(manyEntries));
    EXPECT_FALSE(with(kRsrc + 0x4C, 0x7FFFFFFF, true));  // data size past the section
    EXPECT_FALSE(with(kRsrc + 0x48, 0x10, true));        // data RVA outside every section
    // A type entry that points back at the root directory leads nowhere, and ends.
    EXPECT_FALSE(with(kRsrc + 20, 0x80000000u, true));
    // A version block longer than the resource, or a node shorter than its own header.
    EXPECT_FALSE(with(kVersion, 0xFFFF, false));
    const auto shortChild = with(kVersion + 0x5C, 2, false);  // StringFileInfo's wLength
    ASSERT_TRUE(shortChild);
    EXPECT_TRUE(shortChild->stringTables.empty());
    EXPECT_TRUE(shortChild->fixed);
}

TEST(PeVersionWine, WineDllsCarryVersionsWithTranslations) {
    const std::filesystem::path dir = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
    const auto kernel32 = dir / "kernel32.dll";
    if (!std::filesystem::exists(kernel32)) GTEST_SKIP() << "Wine is not installed";
    const auto info = qpe::readVersionInfo(readHostFile(kernel32));
    ASSERT_TRUE(info);
    ASSERT_TRUE(info->fixed);
    EXPECT_GE(info->fixed->fileVersionMs >> 16, 5u);
    ASSERT_FALSE(info->translations.empty());
    const auto fileVersion = info->firstTranslationString("FileVersion");
    ASSERT_TRUE(fileVersion);
    EXPECT_EQ(fileVersion->rfind(std::to_string(info->fixed->fileVersionMs >> 16) + ".", 0), 0u);
    EXPECT_EQ(info->firstTranslationString("OriginalFilename"), "kernel32.dll");

    const auto shell32 = readHostFile(dir / "shell32.dll");
    const auto shellInfo = qpe::readVersionInfo(shell32);
    ASSERT_TRUE(shellInfo && shellInfo->fixed);
    EXPECT_GE(shellInfo->fixed->fileVersionMs, 0x00040048u);  // new enough for the bin query
    for (std::size_t n = 0; n < shell32.size(); n += shell32.size() / 97 + 1) {
        (void)qpe::readVersionInfo(std::string_view(shell32).substr(0, n));  // must not crash
    }
    const auto zlib32 =
        std::filesystem::path("/usr/lib/x86_64-linux-gnu/wine/i386-windows") / "zlib1.dll";
    if (std::filesystem::exists(zlib32)) {  // a 32-bit image
        const auto z = qpe::readVersionInfo(readHostFile(zlib32));
        ASSERT_TRUE(z);
        EXPECT_FALSE(z->translations.empty());
    }
}
