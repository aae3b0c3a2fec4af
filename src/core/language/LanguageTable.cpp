#include "core/language/LanguageTable.h"

#include <unordered_map>
#include <utility>

#include "core/language/LanguageFile.h"

namespace quorvel::core {

// The lists with an index from message number to the text of the first line with that number.
struct LanguageTable::Snapshot {
    Lists lists;
    std::unordered_map<int, std::string_view> selected;
    std::unordered_map<int, std::string_view> english;

    explicit Snapshot(Lists l) : lists(std::move(l)) {
        index(lists.selected, selected);
        index(lists.english, english);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // The views point into the strings of lists, which never change after construction.
    static void index(const std::vector<std::string>& lines,
                      std::unordered_map<int, std::string_view>& out) {
        for (const auto& line : lines) {
            const int id = languageLineId(line);
            if (id >= 0) out.try_emplace(id, languageLineText(line));
        }
    }

    std::string_view find(int id) const {
        if (auto it = selected.find(id); it != selected.end() && !it->second.empty()) {
            return it->second;
        }
        if (auto it = english.find(id); it != english.end()) return it->second;
        return {};
    }
};

namespace {

// "%s2" becomes second and "%s" first, scanning the template once.
std::string substitute(std::string_view text, std::string_view first, std::string_view second) {
    std::string out;
    out.reserve(text.size() + first.size() + second.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, 3) == "%s2") {
            out += second;
            i += 3;
        } else if (text.substr(i, 2) == "%s") {
            out += first;
            i += 2;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string doubleAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string trimLeadingBlanksAndControls(std::string text) {
    std::size_t n = 0;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) <= 0x20 || text[n] == '\x7F')) {
        ++n;
    }
    text.erase(0, n);
    return text;
}

}  // namespace

LanguageTable::LanguageTable() : snapshot_(std::make_shared<const Snapshot>(Lists{})) {}

void LanguageTable::load(const std::filesystem::path& programDir, std::string_view fileName) {
    const auto folder = programDir / "languages";
    Lists lists;
    if (const auto english = findLanguageFile(folder, "english.lng")) {
        lists.english = loadLanguageFile(*english);
    }
    if (const auto selected = findLanguageFile(folder, fileName)) {
        lists.selected = loadLanguageFile(*selected);
    }
    replace(std::move(lists));
}

void LanguageTable::replace(Lists lists) {
    auto fresh = std::make_shared<const Snapshot>(std::move(lists));
    const std::lock_guard lock(mutex_);
    snapshot_.swap(fresh);
    // The old snapshot is released here or by the last reader still holding it.
}

std::shared_ptr<const LanguageTable::Snapshot> LanguageTable::snapshot() const {
    const std::lock_guard lock(mutex_);
    return snapshot_;
}

std::shared_ptr<const LanguageTable::Lists> LanguageTable::lists() const {
    auto snap = snapshot();
    return {snap, &snap->lists};
}

std::string LanguageTable::LangText(int id, std::string_view first, std::string_view second) const {
    const auto snap = snapshot();
    const std::string_view text = snap->find(id);
    if (text.empty()) return {};
    return trimLeadingBlanksAndControls(doubleAmpersands(substitute(text, first, second)));
}

}  // namespace quorvel::core
