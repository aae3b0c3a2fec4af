#include <algorithm>
#include <cstring>

#include "platform/wineprefix/UrlCacheFile.h"
#include "platform/wineprefix/UrlCacheLayout.h"

namespace quorvel::platform::wineprefix::urlcache {

using namespace layout;

namespace {

constexpr std::uint32_t align4(std::uint32_t n) {
    return (n + 3) & ~3U;
}

std::uint32_t entryBlocks(const NewEntry& e) {
    std::uint32_t bytes = kUrlEntryFixed + align4(static_cast<std::uint32_t>(e.url.size()) + 1);
    if (!e.localName.empty()) bytes += align4(static_cast<std::uint32_t>(e.localName.size()) + 1);
    return (bytes + kBlockSize - 1) / kBlockSize;
}

// Lays blocks out first-fit from the start, the way wininet allocates in a fresh file.
class Blocks {
public:
    std::uint32_t take(std::uint32_t count) {
        const std::uint32_t first = next_;
        next_ += count;
        return first;
    }
    std::uint32_t used() const { return next_; }

private:
    std::uint32_t next_ = 0;
};

}  // namespace

std::string build(const std::vector<std::string>& folders, const std::vector<NewEntry>& entries) {
    // Plan: one hash table first, entries in order, a further table whenever a bucket is full.
    struct Placed {
        std::uint32_t block;
        std::uint32_t blocks;
        std::uint32_t table;  // index of the hash table
        std::uint32_t slot;
    };
    Blocks blocks;
    std::vector<std::uint32_t> tables{blocks.take(kHashTableBlocks)};
    std::vector<std::vector<std::uint8_t>> bucketFill(1, std::vector<std::uint8_t>(kBuckets, 0));
    std::vector<Placed> placed;
    placed.reserve(entries.size());
    for (const auto& e : entries) {
        const std::uint32_t count = entryBlocks(e);
        const std::uint32_t first = blocks.take(count);
        const std::uint32_t bucket = hashKey(e.url) & (kBuckets - 1);
        std::uint32_t table = 0;
        while (table < tables.size() && bucketFill[table][bucket] == kBucketSize)
            ++table;
        if (table == tables.size()) {
            tables.push_back(blocks.take(kHashTableBlocks));
            bucketFill.emplace_back(kBuckets, 0);
        }
        placed.push_back({first, count, table, bucket * kBucketSize + bucketFill[table][bucket]++});
    }
    std::uint32_t capacity = kMinBlocks;
    while (capacity < blocks.used() && capacity < kMaxBlocks)
        capacity *= 2;
    capacity = std::min(capacity, kMaxBlocks);

    std::string b(fileSizeFor(capacity), '\0');
    std::memcpy(b.data(), kWineSignature, sizeof(kWineSignature) - 1);
    put32(b, kFileSize, static_cast<std::uint32_t>(b.size()));
    put32(b, kHashTableOffset, kEntryStart + tables[0] * kBlockSize);
    put32(b, kCapacity, capacity);
    put64(b, kCacheLimit, 0x07ff5400);
    const auto folderCount =
        static_cast<std::uint32_t>(std::min<std::size_t>(folders.size(), kMaxFolders));
    put32(b, kFolderCount, folderCount);
    for (std::uint32_t i = 0; i < folderCount; ++i)
        std::memcpy(b.data() + kFolders + i * kFolderSize + 4, folders[i].data(),
                    std::min<std::size_t>(folders[i].size(), 8));

    std::uint32_t inUse = 0;
    const auto allocate = [&](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t block = first; block < first + count && block < capacity; ++block) {
            b[kBitmap + block / 8] = static_cast<char>(b[kBitmap + block / 8] | (1 << (block % 8)));
            ++inUse;
        }
    };
    const auto fits = [&](std::size_t t) {
        return t < tables.size() &&
               kEntryStart + (tables[t] + kHashTableBlocks) * kBlockSize <= b.size();
    };
    for (std::size_t t = 0; fits(t); ++t) {
        const std::uint32_t at = kEntryStart + tables[t] * kBlockSize;
        allocate(tables[t], kHashTableBlocks);
        put32(b, at, kSignatureHash);
        put32(b, at + 4, kHashTableBlocks);
        put32(b, at + kHashNext, fits(t + 1) ? kEntryStart + tables[t + 1] * kBlockSize : 0);
        put32(b, at + kHashId, static_cast<std::uint32_t>(t));
        for (std::uint32_t slot = 0; slot < kSlotCount; ++slot) {
            put32(b, at + kHashSlots + slot * 8, kSlotFree);
            put32(b, at + kHashSlots + slot * 8 + 4, kSlotFree);
        }
    }
    std::uint64_t usage = 0;
    std::uint64_t exempt = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const NewEntry& e = entries[i];
        const Placed& p = placed[i];
        const std::uint32_t at = kEntryStart + p.block * kBlockSize;
        const std::uint32_t table = kEntryStart + tables[p.table] * kBlockSize;
        if (at + p.blocks * kBlockSize > b.size() || !fits(p.table))
            break;  // past the largest index wininet keeps
        allocate(p.block, p.blocks);
        put32(b, at, kSignatureUrl);
        put32(b, at + 4, p.blocks);
        put64(b, at + kModified, e.lastModified.ticks);
        put64(b, at + kAccessed, e.lastAccess.ticks);
        put64(b, at + kSize, e.size);
        put32(b, at + kUnknown3, 0x60);
        put32(b, at + kUrlOffset, kUrlEntryFixed);
        std::memcpy(b.data() + at + kUrlEntryFixed, e.url.data(), e.url.size());
        b[at + kCacheFolder] = static_cast<char>(e.cacheFolder);
        put16(b, at + kUnknown5, 0x1010);
        if (!e.localName.empty()) {
            const std::uint32_t nameAt =
                kUrlEntryFixed + align4(static_cast<std::uint32_t>(e.url.size()) + 1);
            put32(b, at + kLocalNameOffset, nameAt);
            std::memcpy(b.data() + at + nameAt, e.localName.data(), e.localName.size());
            if (e.cacheFolder < folderCount) {
                const std::uint32_t filesAt = kFolders + e.cacheFolder * kFolderSize;
                put32(b, filesAt, u32(b, filesAt) + 1);
            }
        }
        put32(b, at + kEntryType, e.entryType);
        put16(b, at + kWriteDate, e.writeDate);
        put16(b, at + kWriteTime, e.writeTime);
        const std::uint32_t key = hashKey(e.url) >> kFlagBits << kFlagBits;
        put32(b, table + kHashSlots + p.slot * 8, key);
        put32(b, table + kHashSlots + p.slot * 8 + 4, at);
        ((e.entryType & 0x4) ? exempt : usage) += e.size;
    }
    put32(b, kBlocksInUse, inUse);
    put64(b, kCacheUsage, usage);
    put64(b, kExemptUsage, exempt);
    return b;
}

}  // namespace quorvel::platform::wineprefix::urlcache
