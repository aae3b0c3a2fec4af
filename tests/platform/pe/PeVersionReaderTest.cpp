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

// Little-endian numbers of `width` bytes, appended or written in place.
void put(Bytes& b, std::uint32_t v, int width = 2) {
    for (int i = 0; i < width; ++i)
        b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void set(Bytes& b, std::size_t at, std::uint32_t v, int width = 4) {
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void pad4(Bytes& b) {
    while (b.size() % 4)
        b.push_back('\0');
}
void putWide(Bytes& b, std::u16string_view s) {
    for (char16_t c : s)
        put(b, c);
    put(b, 0);
}

// One node of a version resource, laid out the way resource compilers write it.
Bytes node(std::u16string_view key, std::uint16_t type, const Bytes& value,
           std::uint16_t valueLength, const std::vector<Bytes>& children = {}) {
    Bytes b;
    put(b, 0);
    put(b, valueLength);
    put(b, type);
    putWide(b, key);
    pad4(b);
    b += value;
    for (const auto& child : children) {
        pad4(b);
        b += child;
    }
    set(b, 0, static_cast<std::uint32_t>(b.size()), 2);
    return b;
}

Bytes stringItem(std::u16string_view name, std::u16string_view text) {
    Bytes value;
    putWide(value, text);
    return node(name, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}

Bytes sampleVersionResource() {
    Bytes fixed, translations;
    for (std::uint32_t v : {0xFEEF04BDu, 0x00010000u, 0x00010002u, 0x00030004u, 0x00050006u,
                            0x00070008u, 0u, 0u, 0x40004u, 0u, 0u, 0u, 0u})  // FileOS NT_WINDOWS32
        put(fixed, v, 4);
    for (std::uint32_t v : {0x0409, 1200, 0x0407, 1252})
        put(translations, v);
    return node(u"VS_VERSION_INFO", 0, fixed, 52,
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
    set(img, 0x3C, 0x40);
    img += std::string("PE\0\0", 4);
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    put(img, pe32Plus ? 0x8664 : 0x14C);
    put(img, 1);  // sections
    img.append(12, '\0');
    put(img, optionalSize);
    put(img, 0x2022);
    const std::size_t opt = img.size();
    img.resize(opt + optionalSize, '\0');
    set(img, opt, pe32Plus ? 0x20B : 0x10B, 2);
    const std::size_t dirs = opt + (pe32Plus ? 112 : 96);
    set(img, dirs - 4, 16);  // NumberOfRvaAndSizes

    // Resource tree: type -> name 1 -> language 0x409 -> data entry -> data.
    Bytes rsrc;
    auto directory = [&](std::uint32_t id, std::uint32_t target) {
        const std::size_t at = rsrc.size();
        rsrc.resize(at + 16, '\0');
        set(rsrc, at + 14, 1, 2);
        put(rsrc, id, 4);
        put(rsrc, target, 4);
    };
    directory(resourceType, 0x80000000u | 0x18);
    directory(1, 0x80000000u | 0x30);
    directory(0x409, 0x48);
    for (std::uint32_t v : {kSectionRva + 0x58, std::uint32_t(versionResource.size()), 0u, 0u})
        put(rsrc, v, 4);
    rsrc += versionResource;
    pad4(rsrc);

    const auto rsrcSize = static_cast<std::uint32_t>(rsrc.size());
    set(img, dirs + 16, kSectionRva);
    set(img, dirs + 20, rsrcSize);
    Bytes section(".rsrc\0\0\0", 8);
    for (std::uint32_t v : {rsrcSize, kSectionRva, rsrcSize, kRawPointer})
        put(section, v, 4);
    section.resize(40, '\0');
    img += section;
    img.resize(kRawPointer, '\0');
    return img + rsrc;
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
    return {std::istreambuf_iterator<char>(in), {}};
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

TEST(PeVersionDamage, TruncationsAndBadSizesGiveNothingAndEnd) {
    const Bytes good = peImage(sampleVersionResource(), true);
    // Every cut removes part of the resource the section promises: nothing is returned.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(qpe::readVersionInfo(std::string_view(good).substr(0, n))) << n;
    constexpr std::size_t kRsrc = 0x200, kVersion = kRsrc + 0x58;
    const struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int width;
    } rows[] = {
        {"e_lfanew past the end", 0x3C, 0xFFFFFFF0, 4},
        {"65535 sections in a short file", 0x40 + 6, 0xFFFF, 2},
        {"NumberOfRvaAndSizes stops before the resources", 0x40 + 24 + 108, 2, 4},
        {"data size past the section", kRsrc + 0x4C, 0x7FFFFFFF, 4},
        {"data RVA outside every section", kRsrc + 0x48, 0x10, 4},
        {"a type entry pointing back at the root", kRsrc + 20, 0x80000000u, 4},
        {"a version block longer than the resource", kVersion, 0xFFFF, 2},
    };
    for (const auto& row : rows) {
        Bytes b = good;
        set(b, row.at, row.value, row.width);
        EXPECT_FALSE(qpe::readVersionInfo(b)) << row.what;
    }
    Bytes manyEntries = good;  // 65535 type entries, none of them RT_VERSION, in a short file
    set(manyEntries, kRsrc + 14, 0xFFFF, 2);
    set(manyEntries, kRsrc + 16, 17);
    EXPECT_FALSE(qpe::readVersionInfo(manyEntries));
    // A node shorter than its own header (StringFileInfo's wLength): the rest is still read.
    Bytes shortChild = good;
    set(shortChild, kVersion + 0x5C, 2, 2);
    const auto info = qpe::readVersionInfo(shortChild);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->stringTables.empty());
    EXPECT_TRUE(info->fixed);
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

    const auto shellInfo = qpe::readVersionInfo(readHostFile(dir / "shell32.dll"));
    ASSERT_TRUE(shellInfo && shellInfo->fixed);
    EXPECT_GE(shellInfo->fixed->fileVersionMs, 0x00040048u);  // new enough for the bin query
    const auto zlib32 =
        std::filesystem::path("/usr/lib/x86_64-linux-gnu/wine/i386-windows") / "zlib1.dll";
    if (std::filesystem::exists(zlib32)) {  // a 32-bit image
        const auto z = qpe::readVersionInfo(readHostFile(zlib32));
        ASSERT_TRUE(z);
        EXPECT_FALSE(z->translations.empty());
    }
}
