#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/pe/PeVersionReader.h"

namespace quorvel::platform::pe {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;

// Little-endian reads that answer nullopt instead of reading past the data.
std::optional<std::uint16_t> le16(std::string_view d, std::uint64_t at) {
    if (at > d.size() || d.size() - at < 2) return std::nullopt;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}
std::optional<std::uint32_t> le32(std::string_view d, std::uint64_t at) {
    const auto lo = le16(d, at);
    const auto hi = le16(d, at + 2);
    if (!lo || !hi) return std::nullopt;
    return static_cast<std::uint32_t>(*lo) | static_cast<std::uint32_t>(*hi) << 16;
}

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

// The sections of the image and the mapping of relative virtual addresses to file bytes.
class Image {
public:
    explicit Image(std::string_view data) : data_(data) {}

    bool load() {
        if (data_.size() < 0x40 || data_[0] != 'M' || data_[1] != 'Z') return false;
        const auto peOffset = le32(data_, 0x3C);
        if (!peOffset) return false;
        if (*peOffset > data_.size() || data_.size() - *peOffset < 24 ||
            data_.substr(*peOffset, 4) != std::string_view("PE\0\0", 4)) {
            return false;
        }
        const std::uint64_t coff = *peOffset + 4;
        const auto sectionCount = le16(data_, coff + 2);
        const auto optionalSize = le16(data_, coff + 16);
        if (!sectionCount || !optionalSize) return false;
        const std::uint64_t opt = coff + 20;
        const auto magic = le16(data_, opt);
        if (!magic) return false;
        std::uint64_t dirCountAt = 0;
        if (*magic == kPe32Magic) {
            dirCountAt = 92;
        } else if (*magic == kPe32PlusMagic) {
            dirCountAt = 108;
        } else {
            return false;
        }
        const auto dirCount = le32(data_, opt + dirCountAt);
        const std::uint64_t resourceEntry = dirCountAt + 4 + 8 * kResourceDirectoryIndex;
        if (!dirCount || *dirCount <= kResourceDirectoryIndex ||
            resourceEntry + 8 > *optionalSize) {
            return false;  // no resource directory
        }
        const auto rva = le32(data_, opt + resourceEntry);
        const auto size = le32(data_, opt + resourceEntry + 4);
        if (!rva || !size || *rva == 0 || *size == 0) return false;
        resourceRva_ = *rva;

        const std::uint64_t table = opt + *optionalSize;
        for (std::uint32_t i = 0; i < *sectionCount; ++i) {
            const std::uint64_t s = table + i * kSectionHeaderSize;
            const auto vsize = le32(data_, s + 8);
            const auto va = le32(data_, s + 12);
            const auto rawSize = le32(data_, s + 16);
            const auto rawPointer = le32(data_, s + 20);
            if (!vsize || !va || !rawSize || !rawPointer) return false;
            sections_.push_back(Section{*va, *vsize, *rawSize, *rawPointer});
        }
        return true;
    }

    std::uint32_t resourceRva() const { return resourceRva_; }

    // The file bytes from `rva` to the end of its section's raw data; empty when the address
    // has no bytes in the file.
    std::string_view from(std::uint32_t rva) const {
        for (const auto& s : sections_) {
            const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            const std::uint64_t inSection = rva - s.virtualAddress;
            if (inSection >= s.rawSize) return {};
            const std::uint64_t begin = std::uint64_t{s.rawPointer} + inSection;
            const std::uint64_t end =
                std::min<std::uint64_t>(std::uint64_t{s.rawPointer} + s.rawSize, data_.size());
            if (begin >= end) return {};
            return data_.substr(begin, end - begin);
        }
        return {};
    }

private:
    std::string_view data_;
    std::vector<Section> sections_;
    std::uint32_t resourceRva_ = 0;
};

// The entry of one resource directory level: an id match, or the first entry when id is empty.
// Answers the entry's OffsetToData (high bit: a subdirectory).
std::optional<std::uint32_t> findEntry(std::string_view res, std::uint32_t dirOffset,
                                       std::optional<std::uint32_t> id) {
    const auto named = le16(res, std::uint64_t{dirOffset} + 12);
    const auto ids = le16(res, std::uint64_t{dirOffset} + 14);
    if (!named || !ids) return std::nullopt;
    const std::uint32_t count = std::uint32_t{*named} + *ids;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t{dirOffset} + 16 + 8 * std::uint64_t{i};
        const auto name = le32(res, entry);
        const auto target = le32(res, entry + 4);
        if (!name || !target) return std::nullopt;
        if (!id || (!(*name & 0x80000000u) && *name == *id)) return target;
    }
    return std::nullopt;
}

// The language entry the loader's FindResource settles on when nothing else is asked for:
// neutral, then US English, then any English, then the first entry.
std::optional<std::uint32_t> pickLanguage(std::string_view res, std::uint32_t dirOffset) {
    const auto named = le16(res, std::uint64_t{dirOffset} + 12);
    const auto ids = le16(res, std::uint64_t{dirOffset} + 14);
    if (!named || !ids) return std::nullopt;
    std::optional<std::uint32_t> first, english, usEnglish;
    const std::uint32_t count = std::uint32_t{*named} + *ids;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t{dirOffset} + 16 + 8 * std::uint64_t{i};
        const auto lang = le32(res, entry);
        const auto target = le32(res, entry + 4);
        if (!lang || !target) return std::nullopt;
        if (*lang == 0) return target;
        if (!first) first = target;
        if (*lang == 0x409 && !usEnglish) usEnglish = target;
        if ((*lang & 0x3FF) == 0x09 && !english) english = target;
    }
    if (usEnglish) return usEnglish;
    if (english) return english;
    return first;
}

}  // namespace

std::optional<VersionInfo> readVersionInfo(std::string_view image) {
    Image pe(image);
    if (!pe.load()) return std::nullopt;
    const auto res = pe.from(pe.resourceRva());
    if (res.empty()) return std::nullopt;

    // Three fixed levels: type, name, language. Each must be a subdirectory except the last,
    // which must be a data entry, so offsets cannot lead round in a loop.
    const auto type = findEntry(res, 0, kRtVersion);
    if (!type || !(*type & 0x80000000u)) return std::nullopt;
    const auto name = findEntry(res, *type & 0x7FFFFFFFu, std::nullopt);
    if (!name || !(*name & 0x80000000u)) return std::nullopt;
    const auto language = pickLanguage(res, *name & 0x7FFFFFFFu);
    if (!language || (*language & 0x80000000u)) return std::nullopt;

    const auto dataRva = le32(res, *language);
    const auto dataSize = le32(res, std::uint64_t{*language} + 4);
    if (!dataRva || !dataSize) return std::nullopt;
    auto data = pe.from(*dataRva);
    if (data.size() < *dataSize) return std::nullopt;  // the resource runs past its section
    return parseVersionResource(data.substr(0, *dataSize));
}

}  // namespace quorvel::platform::pe
