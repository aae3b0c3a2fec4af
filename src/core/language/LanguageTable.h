#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::core {

// The texts of the user's language file with English as fallback, looked up by message number.
// Reloading replaces both lists at once; a reader never sees a partly loaded table.
class LanguageTable {
public:
    struct Lists {
        std::vector<std::string> selected;  // normalised "ID=text" lines of the user's file
        std::vector<std::string> english;   // the same of languages/english.lng
    };

    LanguageTable();

    // Loads languages/english.lng and languages/<fileName> from programDir, file names compared
    // without regard to case (missing files leave their list empty). A fileName that is not a
    // plain file name (folder parts, "..") counts as missing, so the English texts apply.
    void load(const std::filesystem::path& programDir, std::string_view fileName);
    void replace(Lists lists);
    std::shared_ptr<const Lists> lists() const;

    // The text of message id: "%s2" replaced by second and "%s" by first (in one pass, so an
    // argument is never searched for placeholders), "&" doubled, leading blanks and control
    // characters removed. Empty when neither list has the id.
    std::string LangText(int id, std::string_view first = {}, std::string_view second = {}) const;

private:
    struct Snapshot;

    std::shared_ptr<const Snapshot> snapshot() const;

    mutable std::mutex mutex_;
    std::shared_ptr<const Snapshot> snapshot_;
};

}  // namespace quorvel::core
