#include "startup/StartupRatings.h"

#include <charconv>
#include <vector>

#include "core/formats/CompressedData.h"
#include "platform/text/CaseInsensitive.h"
#include "startup/StartupData.h"

namespace quorvel::startup {

namespace {

// What a rating that is no decimal number counts as: neutral, never a finding.
constexpr std::int32_t kUnreadableRating = 50;

std::int32_t parseRating(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return kUnreadableRating;
    return value;
}

}  // namespace

platform::Status StartupRatings::load(const std::filesystem::path& programDir) {
    ratings_.clear();
    const auto loaded = core::LoadCompressedLines(programDir / "data" / "startup.dat");
    if (!loaded.status) return loaded.status;
    addLines(loaded.lines);
    return {};
}

// A line of the readable source may be aligned and carry a remark: blanks around the key and
// everything from "//" after the rating are dropped; lines starting with ";" are comments.
void StartupRatings::addLines(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        if (line.empty() || line.front() == ';') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string_view key = std::string_view(line).substr(0, equals);
        while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
            key.remove_prefix(1);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.remove_suffix(1);
        if (key.empty()) continue;
        std::string_view value = std::string_view(line).substr(equals + 1);
        if (const auto remark = value.find("//"); remark != std::string_view::npos)
            value = value.substr(0, remark);
        ratings_.try_emplace(platform::text::toLowerAscii(key), parseRating(value));
    }
}

std::string StartupRatings::keyOf(std::string_view name, std::string_view programFileName) {
    std::string key = platform::text::toLowerAscii(name);
    key += '|';
    key += platform::text::toLowerAscii(programFileName);
    for (char& c : key)
        if (c == '=') c = '>';
    return key;
}

std::int32_t StartupRatings::ratingOf(std::string_view name,
                                      std::string_view programFileName) const {
    const auto it = ratings_.find(keyOf(name, programFileName));
    return it == ratings_.end() ? kNotRated : it->second;
}

}  // namespace quorvel::startup
