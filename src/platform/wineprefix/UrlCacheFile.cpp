#include "platform/wineprefix/UrlCacheFile.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/wineprefix/UrlCacheEntries.h"
#include "platform/wineprefix/UrlCacheLayout.h"

namespace quorvel::platform::wineprefix::urlcache {

using namespace layout;

namespace {

Status damaged(std::string what) {
    return {ErrorCode::BadFormat, "The URL cache index is damaged: " + std::move(what) + "."};
}

bool startsWith(std::string_view bytes, std::string_view text) {
    return bytes.substr(0, text.size()) == text;
}

// Checks the header the way wininet does before it trusts an index (a failing file is wiped
// and rebuilt by Wine), plus the bounds a reader needs.
Status checkHeader(std::string_view b) {
    if (b.size() < fileSizeFor(kMinBlocks))
        return damaged("the file is shorter than the smallest index (" + std::to_string(b.size()) +
                       " bytes)");
    const std::string_view signature = b.substr(0, 28);
    if (startsWith(signature, kWinePrefix)) {
        if (!startsWith(signature, kWineSignature))
            return {ErrorCode::BadFormat,
                    "The URL cache index was written by an older Wine; Wine replaces it with an "
                    "empty one the next time it is used."};
    } else if (!startsWith(signature, kWindowsSignature)) {
        return {ErrorCode::BadFormat, "The file is not a URL cache index (unknown signature)."};
    }
    if (u32(b, kFileSize) != b.size()) return damaged("its recorded size differs from its length");
    const std::uint32_t capacity = u32(b, kCapacity);
    if (capacity > kMaxBlocks || fileSizeFor(capacity) != b.size())
        return damaged("its block capacity does not match its size");
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < capacity / 8; ++i)
        used +=
            static_cast<std::uint32_t>(std::popcount(static_cast<unsigned char>(b[kBitmap + i])));
    if (used != u32(b, kBlocksInUse))
        return damaged("its count of used blocks does not match the allocation bitmap");
    for (std::uint32_t i = capacity / 8; i < kBitmapSize; ++i)
        if (b[kBitmap + i] != 0) return damaged("blocks past its capacity are marked in use");
    if (u32(b, kFolderCount) > kMaxFolders) return damaged("it lists too many cache folders");
    return Status::ok();
}

// A NUL-terminated string at `offset` inside the entry [start, end); nullopt when it runs out.
std::optional<std::string> entryText(std::string_view b, std::uint32_t start, std::uint32_t end,
                                     std::uint32_t offset) {
    if (offset >= end - start) return std::nullopt;
    const std::string_view rest = b.substr(start + offset, end - start - offset);
    const auto nul = rest.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    return std::string(rest.substr(0, nul));
}

Result<IndexEntry> readUrlEntry(std::string_view b, std::uint32_t start, std::uint32_t end) {
    IndexEntry e;
    const auto url = entryText(b, start, end, u32(b, start + kUrlOffset));
    if (!url || u32(b, start + kUrlOffset) == 0) return damaged("an entry's address is cut off");
    e.url = *url;
    if (const std::uint32_t nameOffset = u32(b, start + kLocalNameOffset); nameOffset != 0) {
        const auto name = entryText(b, start, end, nameOffset);
        if (!name) return damaged("the file name of " + e.url + " is cut off");
        e.localName = *name;
    }
    e.cacheFolder = static_cast<std::uint8_t>(b[start + kCacheFolder]);
    e.size = u64(b, start + kSize);
    e.entryType = u32(b, start + kEntryType);
    e.lastModified = FileTime{u64(b, start + kModified)};
    e.lastAccess = FileTime{u64(b, start + kAccessed)};
    e.expires = fromDosDateTime(u16(b, start + kExpireDate), u16(b, start + kExpireTime));
    e.writeDate = u16(b, start + kWriteDate);
    e.writeTime = u16(b, start + kWriteTime);
    return e;
}

}  // namespace

Status locateEntries(std::string_view b, Index* header,
                     const std::function<void(LocatedEntry&&)>& found) {
    if (Status s = checkHeader(b); !s) return s;
    if (header) {
        // Every entry takes a block at least (the count is checked against the bitmap above);
        // the reservation is only touched as far as it is used.
        header->entries.reserve(u32(b, kBlocksInUse));
        header->signature = std::string(b.substr(0, b.substr(0, 28).find('\0')));
        const std::uint32_t count = u32(b, kFolderCount);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::string_view name = b.substr(kFolders + i * kFolderSize + 4, 8);
            header->folders.emplace_back(name.substr(0, name.find('\0')));
        }
    }
    const auto size = static_cast<std::uint32_t>(b.size());
    const std::uint32_t capacity = u32(b, kCapacity);
    // Blocks taken by a structure seen so far: two slots sharing an entry, or an entry over a
    // hash table, would let a deletion free blocks that something else still uses.
    std::vector<bool> taken(capacity, false);
    const auto take = [&](std::uint32_t start, std::uint32_t blocks) {
        const std::uint32_t first = (start - kEntryStart) / kBlockSize;
        for (std::uint32_t block = first; block < first + blocks; ++block) {
            if (taken[block]) return false;
            taken[block] = true;
        }
        return true;
    };
    // First the hash tables: each used slot is noted at the block it points to. The entries are
    // then read in file order, which a large index needs: slot order jumps across the file and
    // misses the processor's caches once per entry.
    constexpr std::uint32_t kNoSlot = 0;  // a slot never lies at offset 0 (the header does)
    std::vector<std::uint32_t> slotAt(capacity, kNoSlot);
    std::vector<bool> shared(capacity, false);
    std::uint32_t table = u32(b, kHashTableOffset);
    for (std::uint32_t id = 0; table != 0; ++id) {
        if (id > capacity / kHashTableBlocks) return damaged("its hash tables form a loop");
        if (table < kEntryStart || (table - kEntryStart) % kBlockSize != 0 ||
            table > size - kHashTableBlocks * kBlockSize)
            return damaged("a hash table lies outside the file");
        if (u32(b, table) != kSignatureHash || u32(b, table + kHashId) != id)
            return damaged("a hash table is not where the chain says");
        if (!take(table, kHashTableBlocks)) return damaged("two of its structures share blocks");
        for (std::uint32_t slot = 0; slot < kSlotCount; ++slot) {
            const std::uint32_t at = table + kHashSlots + slot * 8;
            const std::uint32_t key = u32(b, at);
            if (key == kSlotFree || key == kSlotDeleted) continue;
            const std::uint32_t start = u32(b, at + 4);
            if (start < kEntryStart || start > size - 8)
                return damaged("a hash slot points outside the file");
            if ((start - kEntryStart) % kBlockSize != 0) {
                if (u32(b, start) != kSignatureUrl) continue;  // redirects and leaked files
                return damaged("an entry does not start on a block");
            }
            const std::uint32_t block = (start - kEntryStart) / kBlockSize;
            if (slotAt[block] != kNoSlot) shared[block] = true;
            slotAt[block] = at;
        }
        table = u32(b, table + kHashNext);
    }
    for (std::uint32_t block = 0; block < capacity; ++block) {
        const std::uint32_t at = slotAt[block];
        if (at == kNoSlot) continue;
        const std::uint32_t start = kEntryStart + block * kBlockSize;
        if (u32(b, start) != kSignatureUrl) continue;  // redirects and leaked files
        if (shared[block]) return damaged("two of its structures share blocks");
        const std::uint64_t blocks = u32(b, start + 4);
        if (blocks * kBlockSize < kUrlEntryFixed || start + blocks * kBlockSize > size)
            return damaged("an entry runs past the end of the file");
        if (!take(start, static_cast<std::uint32_t>(blocks)))
            return damaged("two of its structures share blocks");
        auto entry =
            readUrlEntry(b, start, start + static_cast<std::uint32_t>(blocks) * kBlockSize);
        if (!entry) return entry.status();
        found(LocatedEntry{std::move(entry).value(), at, start, static_cast<std::uint32_t>(blocks),
                           u32(b, at)});
    }
    return Status::ok();
}

Result<Index> parse(std::string_view bytes) {
    Index index;
    Status s = locateEntries(
        bytes, &index, [&](LocatedEntry&& l) { index.entries.push_back(std::move(l.entry)); });
    if (!s) return s;
    return index;
}

std::string Index::relativeFile(const IndexEntry& entry) const {
    if (entry.localName.empty()) return {};
    if (entry.cacheFolder == kNoSubfolder) return entry.localName;
    if (entry.cacheFolder >= folders.size()) return {};
    return folders[entry.cacheFolder] + "\\" + entry.localName;
}

Status removeEntry(std::string& bytes, std::string_view url, FileTime now) {
    std::optional<LocatedEntry> target;
    Status s = locateEntries(bytes, nullptr, [&](LocatedEntry&& l) {
        if (!target && l.entry.url == url) target = std::move(l);
    });
    if (!s) return s;
    if (!target)
        return {ErrorCode::FileNotFound,
                "The Internet cache has no entry for " + std::string(url) + "."};
    // wininet keeps an entry locked while a program holds its file; it lifts a lock after a day.
    constexpr std::uint64_t kDay = 24ULL * 60 * 60 * 10000000ULL;
    if ((target->key & ((1U << kFlagBits) - 1)) == kSlotLocked &&
        now.ticks <= target->entry.lastAccess.ticks + kDay)
        return {ErrorCode::SharingViolation,
                "A program holds the cached file of " + std::string(url) + " open."};
    const std::uint32_t first = (target->offset - kEntryStart) / kBlockSize;
    for (std::uint32_t block = first; block < first + target->blocks; ++block)
        if (!(static_cast<unsigned char>(bytes[kBitmap + block / 8]) & (1U << (block % 8))))
            return damaged("an entry's blocks are marked free");

    const IndexEntry entry = target->entry;
    put32(bytes, target->slot, kSlotDeleted);
    for (std::uint32_t block = first; block < first + target->blocks; ++block)
        bytes[kBitmap + block / 8] = static_cast<char>(
            static_cast<unsigned char>(bytes[kBitmap + block / 8]) & ~(1U << (block % 8)));
    put32(bytes, kBlocksInUse, u32(bytes, kBlocksInUse) - target->blocks);
    std::memset(bytes.data() + target->offset, 0, std::size_t{target->blocks} * kBlockSize);

    if (entry.cacheFolder < u32(bytes, kFolderCount)) {
        const std::uint32_t at = kFolders + entry.cacheFolder * kFolderSize;
        if (const std::uint32_t files = u32(bytes, at); files > 0) put32(bytes, at, files - 1);
    }
    constexpr std::uint32_t kSticky = 0x00000004;
    const std::uint32_t usageAt = (entry.entryType & kSticky) ? kExemptUsage : kCacheUsage;
    const std::uint64_t usage = u64(bytes, usageAt);
    put64(bytes, usageAt, entry.size < usage ? usage - entry.size : 0);
    return Status::ok();
}

std::uint32_t hashKey(std::string_view url) {
    // The permutation table wininet hashes with (the one shlwapi's UrlHash uses as well).
    static constexpr unsigned char kTable[256] = {
        0x01, 0x0E, 0x6E, 0x19, 0x61, 0xAE, 0x84, 0x77, 0x8A, 0xAA, 0x7D, 0x76, 0x1B, 0xE9, 0x8C,
        0x33, 0x57, 0xC5, 0xB1, 0x6B, 0xEA, 0xA9, 0x38, 0x44, 0x1E, 0x07, 0xAD, 0x49, 0xBC, 0x28,
        0x24, 0x41, 0x31, 0xD5, 0x68, 0xBE, 0x39, 0xD3, 0x94, 0xDF, 0x30, 0x73, 0x0F, 0x02, 0x43,
        0xBA, 0xD2, 0x1C, 0x0C, 0xB5, 0x67, 0x46, 0x16, 0x3A, 0x4B, 0x4E, 0xB7, 0xA7, 0xEE, 0x9D,
        0x7C, 0x93, 0xAC, 0x90, 0xB0, 0xA1, 0x8D, 0x56, 0x3C, 0x42, 0x80, 0x53, 0x9C, 0xF1, 0x4F,
        0x2E, 0xA8, 0xC6, 0x29, 0xFE, 0xB2, 0x55, 0xFD, 0xED, 0xFA, 0x9A, 0x85, 0x58, 0x23, 0xCE,
        0x5F, 0x74, 0xFC, 0xC0, 0x36, 0xDD, 0x66, 0xDA, 0xFF, 0xF0, 0x52, 0x6A, 0x9E, 0xC9, 0x3D,
        0x03, 0x59, 0x09, 0x2A, 0x9B, 0x9F, 0x5D, 0xA6, 0x50, 0x32, 0x22, 0xAF, 0xC3, 0x64, 0x63,
        0x1A, 0x96, 0x10, 0x91, 0x04, 0x21, 0x08, 0xBD, 0x79, 0x40, 0x4D, 0x48, 0xD0, 0xF5, 0x82,
        0x7A, 0x8F, 0x37, 0x69, 0x86, 0x1D, 0xA4, 0xB9, 0xC2, 0xC1, 0xEF, 0x65, 0xF2, 0x05, 0xAB,
        0x7E, 0x0B, 0x4A, 0x3B, 0x89, 0xE4, 0x6C, 0xBF, 0xE8, 0x8B, 0x06, 0x18, 0x51, 0x14, 0x7F,
        0x11, 0x5B, 0x5C, 0xFB, 0x97, 0xE1, 0xCF, 0x15, 0x62, 0x71, 0x70, 0x54, 0xE2, 0x12, 0xD6,
        0xC7, 0xBB, 0x0D, 0x20, 0x5E, 0xDC, 0xE0, 0xD4, 0xF7, 0xCC, 0xC4, 0x2B, 0xF9, 0xEC, 0x2D,
        0xF4, 0x6F, 0xB6, 0x99, 0x88, 0x81, 0x5A, 0xD9, 0xCA, 0x13, 0xA5, 0xE7, 0x47, 0xE6, 0x8E,
        0x60, 0xE3, 0x3E, 0xB3, 0xF6, 0x72, 0xA2, 0x35, 0xA0, 0xD7, 0xCD, 0xB4, 0x2F, 0x6D, 0x2C,
        0x26, 0x1F, 0x95, 0x87, 0x00, 0xD8, 0x34, 0x3F, 0x17, 0x25, 0x45, 0x27, 0x75, 0x92, 0xB8,
        0xA3, 0xC8, 0xDE, 0xEB, 0xF8, 0xF3, 0xDB, 0x0A, 0x98, 0x83, 0x7B, 0xE5, 0xCB, 0x4C, 0x78,
        0xD1};
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(url[i]); };
    const unsigned char first = url.empty() ? 0 : byte(0);
    unsigned char key[4];
    for (unsigned i = 0; i < 4; ++i)
        key[i] = kTable[(first + i) & 0xFF];
    for (std::size_t at = 1; at < url.size(); ++at)
        for (auto& k : key)
            k = kTable[byte(at) ^ k];
    return key[0] | (key[1] << 8) | (key[2] << 16) | (static_cast<std::uint32_t>(key[3]) << 24);
}

void toDosDateTime(FileTime time, std::uint16_t& date, std::uint16_t& timeOfDay) {
    using namespace std::chrono;
    if (time.ticks == 0) {
        date = timeOfDay = 0;
        return;
    }
    const sys_seconds at{seconds{time.unixSeconds()}};
    const auto day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss hms{at - day};
    const int year = static_cast<int>(ymd.year()) - 1980;
    if (year < 0 || year > 127) {
        date = timeOfDay = 0;
        return;
    }
    date = static_cast<std::uint16_t>((year << 9) | (static_cast<unsigned>(ymd.month()) << 5) |
                                      static_cast<unsigned>(ymd.day()));
    timeOfDay = static_cast<std::uint16_t>(
        (hms.hours().count() << 11) | (hms.minutes().count() << 5) | (hms.seconds().count() / 2));
}

FileTime fromDosDateTime(std::uint16_t date, std::uint16_t timeOfDay) {
    using namespace std::chrono;
    if (date == 0 && timeOfDay == 0) return {};
    const year_month_day ymd{year{1980 + (date >> 9)}, month{(date >> 5) & 0x0Fu},
                             day{date & 0x1Fu}};
    if (!ymd.ok()) return {};
    const auto seconds = sys_days{ymd}.time_since_epoch().count() * 86400LL +
                         (timeOfDay >> 11) * 3600LL + ((timeOfDay >> 5) & 0x3F) * 60LL +
                         (timeOfDay & 0x1F) * 2LL;
    return FileTime::fromUnix(seconds);
}

}  // namespace quorvel::platform::wineprefix::urlcache
