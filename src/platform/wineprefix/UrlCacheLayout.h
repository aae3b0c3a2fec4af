#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Offsets of the index.dat structures (little-endian throughout) shared by the reader and the
// writer of the URL cache index.
namespace quorvel::platform::wineprefix::urlcache::layout {

inline constexpr char kWineSignature[] = "WINE URLCache Ver 0.2012001";
inline constexpr char kWinePrefix[] = "WINE URLCache Ver ";
inline constexpr char kWindowsSignature[] = "Client UrlCache MMF Ver 5.2";

// Header.
inline constexpr std::uint32_t kFileSize = 0x1C;
inline constexpr std::uint32_t kHashTableOffset = 0x20;
inline constexpr std::uint32_t kCapacity = 0x24;
inline constexpr std::uint32_t kBlocksInUse = 0x28;
inline constexpr std::uint32_t kCacheLimit = 0x30;
inline constexpr std::uint32_t kCacheUsage = 0x38;
inline constexpr std::uint32_t kExemptUsage = 0x40;
inline constexpr std::uint32_t kFolderCount = 0x48;
inline constexpr std::uint32_t kFolders = 0x4C;  // 32 x {files (4), name (8)}
inline constexpr std::uint32_t kFolderSize = 12;
inline constexpr std::uint32_t kMaxFolders = 32;
inline constexpr std::uint32_t kBitmap = 0x250;
inline constexpr std::uint32_t kBitmapSize = 0x4000 - kBitmap;
inline constexpr std::uint32_t kMaxBlocks = kBitmapSize * 8;

// Every entry starts with a signature and its block count.
inline constexpr std::uint32_t kSignatureUrl = 0x204C5255;   // "URL "
inline constexpr std::uint32_t kSignatureHash = 0x48534148;  // "HASH"

// Hash table: next table, sequence number, 448 slots of {key, entry offset}.
inline constexpr std::uint32_t kHashNext = 8;
inline constexpr std::uint32_t kHashId = 12;
inline constexpr std::uint32_t kHashSlots = 16;
inline constexpr std::uint32_t kSlotCount = 448;
inline constexpr std::uint32_t kBuckets = 64;
inline constexpr std::uint32_t kBucketSize = kSlotCount / kBuckets;
inline constexpr std::uint32_t kHashTableBlocks = 0x20;
inline constexpr std::uint32_t kHashTableBytes = kHashSlots + kSlotCount * 8;
inline constexpr std::uint32_t kSlotDeleted = 1;
inline constexpr std::uint32_t kSlotLocked = 2;
inline constexpr std::uint32_t kSlotFree = 3;
inline constexpr std::uint32_t kFlagBits = 6;

// "URL " entry.
inline constexpr std::uint32_t kModified = 0x08;
inline constexpr std::uint32_t kAccessed = 0x10;
inline constexpr std::uint32_t kExpireDate = 0x18;
inline constexpr std::uint32_t kExpireTime = 0x1A;
inline constexpr std::uint32_t kSize = 0x20;
inline constexpr std::uint32_t kUnknown3 = 0x30;
inline constexpr std::uint32_t kUrlOffset = 0x34;
inline constexpr std::uint32_t kCacheFolder = 0x38;
inline constexpr std::uint32_t kUnknown5 = 0x3A;
inline constexpr std::uint32_t kLocalNameOffset = 0x3C;
inline constexpr std::uint32_t kEntryType = 0x40;
inline constexpr std::uint32_t kWriteDate = 0x5C;
inline constexpr std::uint32_t kWriteTime = 0x5E;
inline constexpr std::uint32_t kUrlEntryFixed = 0x68;

inline std::uint32_t u32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
inline std::uint16_t u16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}
inline std::uint64_t u64(std::string_view b, std::size_t at) {
    return u32(b, at) | (static_cast<std::uint64_t>(u32(b, at + 4)) << 32);
}
inline void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void put64(std::string& b, std::size_t at, std::uint64_t v) {
    put32(b, at, static_cast<std::uint32_t>(v));
    put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

inline constexpr std::uint32_t fileSizeFor(std::uint32_t blocks) {
    return blocks * 128 + 0x4000;
}

}  // namespace quorvel::platform::wineprefix::urlcache::layout
