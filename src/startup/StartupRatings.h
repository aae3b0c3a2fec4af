#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Status.h"

namespace quorvel::startup {

// The description database data/startup.dat: lines "key=rating", the key being the lower-case
// name + "|" + file name of the program, with every "=" replaced by ">". Loaded once per scan
// into a hash map, so rating an entry is one lookup. The first line of a key wins.
class StartupRatings {
public:
    // Reads <programDir>/data/startup.dat; a missing or damaged file fails.
    platform::Status load(const std::filesystem::path& programDir);
    // The same from the lines of an inflated database.
    void addLines(const std::vector<std::string>& lines);

    // The database key of an entry.
    static std::string keyOf(std::string_view name, std::string_view programFileName);

    // The rating of an entry; kNotRated when the database does not know it, 50 when its value is
    // no decimal number.
    std::int32_t ratingOf(std::string_view name, std::string_view programFileName) const;

    std::size_t size() const { return ratings_.size(); }

private:
    std::unordered_map<std::string, std::int32_t> ratings_;
};

}  // namespace quorvel::startup
