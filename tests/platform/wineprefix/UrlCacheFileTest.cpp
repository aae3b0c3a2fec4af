#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "platform/wineprefix/UrlCacheFile.h"
#include "platform/wineprefix/UrlCacheLayout.h"

namespace urlcache = quorvel::platform::wineprefix::urlcache;
namespace layout = quorvel::platform::wineprefix::urlcache::layout;
using quorvel::platform::ErrorCode;
using quorvel::platform::FileTime;

namespace {

const FileTime kWritten = FileTime::fromUnix(1700000000);

urlcache::NewEntry entry(std::string url, std::string name, std::uint64_t size,
                         std::uint32_t type = 0x1) {
    urlcache::NewEntry e;
    e.url = std::move(url);
    e.localName = std::move(name);
    e.size = size;
    e.entryType = type;
    e.lastModified = kWritten;
    e.lastAccess = kWritten;
    urlcache::toDosDateTime(kWritten, e.writeDate, e.writeTime);
    return e;
}

std::vector<urlcache::NewEntry> sample() {
    return {entry("http://example.com/", "index[1].htm", 1000),
            entry("http://example.com/logo.png", "logo[1].png", 5000),
            entry("http://example.com/app.js", "", 0, 0x4 | 0x1),
            entry("http://example.com/sticky.css", "sticky[1].css", 300, 0x4 | 0x1)};
}

// The header rules wininet checks before it trusts a file (a file failing them is wiped).
void expectConsistent(const std::string& b) {
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < layout::u32(b, layout::kCapacity) / 8; ++i)
        used += std::popcount(static_cast<unsigned char>(b[layout::kBitmap + i]));
    EXPECT_EQ(used, layout::u32(b, layout::kBlocksInUse));
    EXPECT_EQ(layout::u32(b, layout::kFileSize), b.size());
    EXPECT_EQ(layout::fileSizeFor(layout::u32(b, layout::kCapacity)), b.size());
}

}  // namespace

TEST(UrlCacheFile, BuiltIndexReadsBackWithEveryField) {
    const std::string b = urlcache::build({"QVCACHE1", "QVCACHE2"}, sample());
    expectConsistent(b);
    auto index = urlcache::parse(b);
    ASSERT_TRUE(index) << index.status().message();
    EXPECT_EQ(index->signature, "WINE URLCache Ver 0.2012001");
    EXPECT_EQ(index->folders, (std::vector<std::string>{"QVCACHE1", "QVCACHE2"}));
    ASSERT_EQ(index->entries.size(), 4u);
    for (const auto& e : index->entries) {
        if (e.url != "http://example.com/logo.png") continue;
        EXPECT_EQ(e.size, 5000u);
        EXPECT_EQ(e.entryType, 0x1u);
        EXPECT_EQ(e.lastAccess, kWritten);
        EXPECT_EQ(index->relativeFile(e), "QVCACHE1\\logo[1].png");
    }
}

TEST(UrlCacheFile, FullBucketsChainFurtherHashTablesAndTheFileGrows) {
    // 3000 entries: more than 7 per bucket in one table, more blocks than the smallest file.
    std::vector<urlcache::NewEntry> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(entry("http://host/" + std::to_string(i), std::to_string(i) + ".bin", i));
    const std::string b = urlcache::build({"QVCACHE1"}, many);
    expectConsistent(b);
    EXPECT_GT(b.size(), layout::fileSizeFor(urlcache::kMinBlocks));
    auto index = urlcache::parse(b);
    ASSERT_TRUE(index) << index.status().message();
    EXPECT_EQ(index->entries.size(), 3000u);
}

TEST(UrlCacheFile, HashKeyMatchesWhatWineFiledEntriesUnder) {
    // Slot keys (flag bits zero) and buckets (slot / 7) of entries Wine 8 committed.
    EXPECT_EQ(urlcache::hashKey("http://example.com/b.css"), 0xc518b240u | 16u);
    EXPECT_EQ(urlcache::hashKey("http://example.com/a/page.html"), 0x955d4e80u | 59u);
}

TEST(UrlCacheRemove, LeavesAConsistentFileWithoutTheEntryOrItsAddress) {
    std::string b = urlcache::build({"QVCACHE1"}, sample());
    const auto usageBefore = layout::u64(b, layout::kCacheUsage);
    const auto exemptBefore = layout::u64(b, layout::kExemptUsage);
    const auto filesBefore = layout::u32(b, layout::kFolders);
    ASSERT_TRUE(urlcache::removeEntry(b, "http://example.com/logo.png", kWritten));
    expectConsistent(b);
    auto index = urlcache::parse(b);
    ASSERT_TRUE(index) << index.status().message();
    EXPECT_EQ(index->entries.size(), 3u);
    for (const auto& e : index->entries)
        EXPECT_NE(e.url, "http://example.com/logo.png");
    EXPECT_EQ(b.find("logo.png"), std::string::npos);
    EXPECT_EQ(layout::u64(b, layout::kCacheUsage), usageBefore - 5000);
    EXPECT_EQ(layout::u64(b, layout::kExemptUsage), exemptBefore);
    EXPECT_EQ(layout::u32(b, layout::kFolders), filesBefore - 1);

    ASSERT_TRUE(urlcache::removeEntry(b, "http://example.com/sticky.css", kWritten));
    EXPECT_EQ(layout::u64(b, layout::kExemptUsage), exemptBefore - 300);
    for (const auto& e : sample())
        (void)urlcache::removeEntry(b, e.url, kWritten);
    expectConsistent(b);
    EXPECT_EQ(layout::u32(b, layout::kBlocksInUse), layout::kHashTableBlocks);
    EXPECT_TRUE(urlcache::parse(b)->entries.empty());
}

TEST(UrlCacheRemove, RefusesMissingLockedAndDamagedEntriesWithoutChangingTheFile) {
    const std::string original = urlcache::build({"QVCACHE1"}, sample());
    std::string b = original;
    EXPECT_EQ(urlcache::removeEntry(b, "http://example.com/none", kWritten).code(),
              ErrorCode::FileNotFound);
    EXPECT_EQ(b, original);

    // Lock the first slot of the logo's bucket the way RetrieveUrlCacheEntryFile does.
    const std::uint32_t table = layout::u32(b, layout::kHashTableOffset);
    const std::uint32_t bucket = urlcache::hashKey("http://example.com/logo.png") & 63;
    const std::uint32_t slot = table + layout::kHashSlots + bucket * 7 * 8;
    layout::put32(b, slot, (layout::u32(b, slot) & ~0x3Fu) | layout::kSlotLocked);
    const std::string locked = b;
    EXPECT_EQ(urlcache::removeEntry(b, "http://example.com/logo.png", kWritten).code(),
              ErrorCode::SharingViolation);
    EXPECT_EQ(b, locked);
    // A lock older than a day has been given up by wininet.
    const FileTime twoDaysLater{kWritten.ticks + 2ULL * 86400 * 10000000};
    EXPECT_TRUE(urlcache::removeEntry(b, "http://example.com/logo.png", twoDaysLater));

    // Blocks already marked free: freeing them again would break the block count.
    b = original;
    const std::uint32_t entryAt = layout::u32(b, slot + 4);
    const std::uint32_t block = (entryAt - urlcache::kEntryStart) / urlcache::kBlockSize;
    b[layout::kBitmap + block / 8] =
        static_cast<char>(b[layout::kBitmap + block / 8] & ~(1 << (block % 8)));
    layout::put32(b, layout::kBlocksInUse, layout::u32(b, layout::kBlocksInUse) - 1);
    const std::string damaged = b;
    EXPECT_EQ(urlcache::removeEntry(b, "http://example.com/logo.png", kWritten).code(),
              ErrorCode::BadFormat);
    EXPECT_EQ(b, damaged);
}

TEST(UrlCacheDamage, FilesWineWouldWipeOrThatPointOutsideAreErrors) {
    const std::string good = urlcache::build({"QVCACHE1"}, sample());
    const std::uint32_t table = layout::u32(good, layout::kHashTableOffset);
    std::uint32_t firstSlot = 0;
    for (std::uint32_t s = 0; s < layout::kSlotCount && !firstSlot; ++s)
        if (layout::u32(good, table + layout::kHashSlots + s * 8) != layout::kSlotFree)
            firstSlot = table + layout::kHashSlots + s * 8;
    ASSERT_NE(firstSlot, 0u);
    const std::uint32_t entryAt = layout::u32(good, firstSlot + 4);

    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> cases = {
        {"recorded size", [](std::string& b) { layout::put32(b, layout::kFileSize, 0x9000); }},
        {"capacity", [](std::string& b) { layout::put32(b, layout::kCapacity, 0x100); }},
        {"block count", [](std::string& b) { layout::put32(b, layout::kBlocksInUse, 1); }},
        {"bits past capacity",
         [](std::string& b) {
             b[layout::kBitmap + 0x100] = 1;
             layout::put32(b, layout::kBlocksInUse, layout::u32(b, layout::kBlocksInUse) + 1);
         }},
        {"older Wine", [](std::string& b) { b.replace(18, 9, "0.2005001"); }},
        {"unknown signature", [](std::string& b) { b.replace(0, 4, "JUNK"); }},
        {"table loop",
         [table](std::string& b) { layout::put32(b, table + layout::kHashNext, table); }},
        {"slot outside",
         [firstSlot](std::string& b) { layout::put32(b, firstSlot + 4, 0xFFFFFF00); }},
        {"shared entry",
         [table, entryAt](std::string& b) {
             const std::uint32_t last = table + layout::kHashSlots + (layout::kSlotCount - 1) * 8;
             layout::put32(b, last, 0x40);
             layout::put32(b, last + 4, entryAt);
         }},
        {"entry past end", [entryAt](std::string& b) { layout::put32(b, entryAt + 4, 0x10000); }},
        {"address unterminated",
         [entryAt](std::string& b) {
             const std::uint32_t end = entryAt + layout::u32(b, entryAt + 4) * 128;
             for (std::uint32_t i = entryAt + layout::kUrlEntryFixed; i < end; ++i)
                 b[i] = 'a';
         }},
    };
    for (const auto& [what, damage] : cases) {
        std::string b = good;
        damage(b);
        auto index = urlcache::parse(b);
        EXPECT_FALSE(index) << what;
        if (!index) {
            EXPECT_EQ(index.status().code(), ErrorCode::BadFormat) << what;
            EXPECT_FALSE(index.status().message().empty()) << what;
        }
        std::string copy = b;
        EXPECT_FALSE(urlcache::removeEntry(copy, "http://example.com/", kWritten)) << what;
        EXPECT_EQ(copy, b) << what;
    }
    std::string windows = good;
    windows.replace(0, 28, std::string("Client UrlCache MMF Ver 5.2\0", 28));
    EXPECT_TRUE(urlcache::parse(windows)) << "the Windows signature is accepted";
}

TEST(UrlCacheDamage, EveryTruncationAndEveryDamagedEntryByteIsHandled) {
    const std::string good = urlcache::build({"QVCACHE1"}, sample());
    for (std::size_t n = 0; n < good.size(); n += 61)
        EXPECT_FALSE(urlcache::parse(good.substr(0, n))) << n;
    // Truncated but with the header claiming the shorter size: still never read past the end.
    for (std::uint32_t blocks = 0; blocks < urlcache::kMinBlocks; blocks += 16) {
        std::string cut = good.substr(0, layout::fileSizeFor(blocks));
        layout::put32(cut, layout::kFileSize, static_cast<std::uint32_t>(cut.size()));
        EXPECT_FALSE(urlcache::parse(cut)) << blocks;
    }
    // Every byte of the entries overwritten: bad dates, cut names, foreign records are read or
    // refused, and never make up entries.
    const std::uint32_t start = layout::u32(good, layout::kHashTableOffset) +
                                layout::kHashTableBlocks * urlcache::kBlockSize;
    for (std::uint32_t at = start; at < start + 8 * urlcache::kBlockSize; ++at) {
        std::string b = good;
        b[at] = static_cast<char>(0xFF);
        const auto index = urlcache::parse(b);
        EXPECT_LE(index ? index->entries.size() : 0, 4u) << at;
    }
}
