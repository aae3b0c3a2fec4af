#include "backup/BackupArchiveNames.h"
#include "backup/BackupStore.h"
#include "core/formats/Sha256.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

constexpr std::string_view kCategoryKeys[] = {categorykey::Registry, categorykey::Shortcuts,
                                              categorykey::Startup, categorykey::Spyware};

struct DigestLine {
    std::string digest;
    std::string fileName;
};

// "<64 hex digits>  <name>" lines; anything else is passed over.
std::vector<DigestLine> parseDigests(std::string_view text) {
    std::vector<DigestLine> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() < 67 || line.substr(64, 2) != "  ") continue;
        lines.push_back({std::string(line.substr(0, 64)), std::string(line.substr(66))});
    }
    return lines;
}

std::string formatDigests(const std::vector<DigestLine>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line.digest + "  " + line.fileName + "\n";
    return text;
}

}  // namespace

Status BackupStore::commitCategoryFile(std::string_view entry, std::string_view categoryKey,
                                       std::string_view fileName) {
    if (!isSafeEntryName(entry) || !isSafeEntryName(fileName))
        return {ErrorCode::InvalidParameter,
                "\"" + std::string(fileName) + "\" is not a plain file name of the backup folder."};
    const auto bytes = fs_.readFile(pathOf(fileName));
    if (!bytes) return bytes.status();
    const auto existing = fs_.readFile(digestFileOf(entry));
    std::vector<DigestLine> digests =
        existing ? parseDigests(*existing) : std::vector<DigestLine>{};
    std::erase_if(digests, [&](const DigestLine& d) { return d.fileName == fileName; });
    digests.push_back({core::Sha256Hex(*bytes), std::string(fileName)});
    if (Status s = fs_.writeFile(digestFileOf(entry), formatDigests(digests),
                                 platform::WriteMode::Durable);
        !s)
        return s;

    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return index.status();
    if (!index->sectionExists(entry)) index->writeInteger(entry, "Type", entrytype::OneClick);
    index->writeString(entry, categoryKey, fileName);
    return index->save(fs_, indexPath());
}

Status BackupStore::discardCategoryFile(std::string_view entry, std::string_view categoryKey,
                                        std::string_view fileName) {
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return index.status();
    Status result;
    if (index->eraseKey(entry, categoryKey)) {
        bool left = false;
        for (const auto key : kCategoryKeys)
            left = left || index->valueExists(entry, key);
        if (!left) index->eraseSection(entry);
        result = index->save(fs_, indexPath());
    }
    if (const auto existing = fs_.readFile(digestFileOf(entry))) {
        auto digests = parseDigests(*existing);
        std::erase_if(digests, [&](const DigestLine& d) { return d.fileName == fileName; });
        const Status s = digests.empty() && !index->sectionExists(entry)
                             ? fs_.deleteFile(digestFileOf(entry))
                             : fs_.writeFile(digestFileOf(entry), formatDigests(digests),
                                             platform::WriteMode::Durable);
        if (!s && result) result = s;
    }
    if (isSafeEntryName(fileName) && fs_.isFile(pathOf(fileName)))
        if (Status s = fs_.deleteFile(pathOf(fileName)); !s && result) result = s;
    return result;
}

Status BackupStore::verifyCategoryFile(std::string_view entry, std::string_view fileName) const {
    const auto digestText = fs_.readFile(digestFileOf(entry));
    if (!digestText) {
        if (fs_.exists(digestFileOf(entry))) return digestText.status();
        return Status::ok();  // written before digests were kept
    }
    const auto bytes = fs_.readFile(pathOf(fileName));
    if (!bytes) return bytes.status();
    for (const auto& line : parseDigests(*digestText)) {
        if (line.fileName != fileName) continue;
        if (platform::text::iequals(line.digest, core::Sha256Hex(*bytes))) return Status::ok();
        break;
    }
    return {ErrorCode::InvalidData,
            "The backup file \"" + pathOf(fileName) +
                "\" is not the one that was written (damaged, cut short or changed: its SHA-256 "
                "does not match " +
                digestFileOf(entry) + "); nothing was restored."};
}

Status BackupStore::indexStatus() const {
    auto text = fs_.readFile(indexPath());
    if (!text) {
        if (!fs_.exists(indexPath())) return Status::ok();
        return text.status();
    }
    if (const auto bad = core::IniFile::parse(*text).firstUnreadableLine())
        return {ErrorCode::InvalidData,
                "The backup index " + indexPath() + " is damaged: line " +
                    std::to_string(*bad + 1) +
                    " is neither a section, a key nor a comment. Its backups are not listed; "
                    "no backup file was deleted."};
    return Status::ok();
}

}  // namespace quorvel::backup
