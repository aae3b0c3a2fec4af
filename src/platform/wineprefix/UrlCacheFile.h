#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTime.h"
#include "platform/Status.h"

namespace quorvel::platform::wineprefix::urlcache {

// The index.dat file of one WinINet URL cache container, as Wine's wininet and Windows keep it:
// a 0x4000-byte header (signature, sizes, cache folders, allocation bitmap of 128-byte blocks)
// followed by the blocks. Hash tables ("HASH", 448 slots in 64 buckets of 7, chained) point at
// the entries ("URL ", "REDR", "LEAK"). Wine wipes the whole container when the header does not
// add up (file size, capacity, bitmap count), so the reader refuses such a file and the writer
// keeps every one of those rules.

inline constexpr std::uint32_t kBlockSize = 128;
inline constexpr std::uint32_t kEntryStart = 0x4000;
inline constexpr std::uint32_t kMinBlocks = 0x80;
inline constexpr std::uint8_t kNoSubfolder = 0xFE;  // the entry's file lies in the container folder

// One "URL " entry in enumeration order (hash tables in chain order, slots in table order).
struct IndexEntry {
    std::string url;
    std::string localName;  // file name in its cache folder; "" when the entry has no file
    std::uint8_t cacheFolder = kNoSubfolder;  // index into Index::folders, or kNoSubfolder
    std::uint64_t size = 0;
    std::uint32_t entryType = 0;
    FileTime lastModified;
    FileTime lastAccess;
    FileTime expires;             // from the DOS date and time the entry keeps
    std::uint16_t writeDate = 0;  // DOS date and time of the local file when it was committed
    std::uint16_t writeTime = 0;
};

struct Index {
    std::string signature;
    std::vector<std::string> folders;  // the 8-character cache folder names
    std::vector<IndexEntry> entries;

    // The entry's file relative to the container folder ("ABCD1234\page[1].htm"); "" when it has
    // none or names a folder the header does not list.
    std::string relativeFile(const IndexEntry& entry) const;
};

// Reads an index. A file Wine would discard (wrong size, capacity or bitmap count, an older Wine
// layout), an unknown signature, or any offset outside the file fails with BadFormat and a
// sentence saying what is wrong. Entries of other kinds (redirects, leaked files) are skipped.
Result<Index> parse(std::string_view bytes);

// DeleteUrlCacheEntry on the bytes of an index: the hash slot is marked deleted, the entry's
// blocks are freed in the bitmap (and zeroed, so the address does not stay readable), the block
// count, the folder's file count and the cache usage are lowered. FileNotFound when no entry
// has that address; SharingViolation when wininet holds it locked (retrieved within the last
// day and not unlocked); BadFormat when the file does not parse.
Status removeEntry(std::string& bytes, std::string_view url, FileTime now);

// An entry to write into a new index.
struct NewEntry {
    std::string url;
    std::string localName;
    std::uint8_t cacheFolder = 0;
    std::uint64_t size = 0;
    std::uint32_t entryType = 0x00000001;
    FileTime lastModified;
    FileTime lastAccess;
    std::uint16_t writeDate = 0;
    std::uint16_t writeTime = 0;
};

// Writes an index in Wine's current layout holding `entries`, with `folders` as cache folders
// (at most 32 names of 8 characters). The file grows as wininet grows it (doubling the
// capacity). For test machines, the demo machine and benchmarks.
std::string build(const std::vector<std::string>& folders, const std::vector<NewEntry>& entries);

// Wine's hash of an address (the key the hash tables store, flag bits included).
std::uint32_t hashKey(std::string_view url);

// FileTimeToDosDateTime (UTC, two-second steps) and back; 0/0 stands for "no time".
void toDosDateTime(FileTime time, std::uint16_t& date, std::uint16_t& timeOfDay);
FileTime fromDosDateTime(std::uint16_t date, std::uint16_t timeOfDay);

}  // namespace quorvel::platform::wineprefix::urlcache
