#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/threads/FindingsList.h"
#include "platform/RegistryTypes.h"

namespace quorvel::startup {

// Where a startup entry lives.
enum StartupKind : std::int32_t { RegistryValue = 1, FolderFile = 2 };

// Ratings that are no number of the database: not rated, and rated "unknown" by the user.
inline constexpr std::int32_t kNotRated = -1;
inline constexpr std::int32_t kUserUnknown = -2;
// Entries rated above this are findings.
inline constexpr std::int32_t kFindingThreshold = 60;

// One startup entry of the scan.
struct TStartupData {
    std::string Name;     // value name, or the folder file's name (a shortcut without ".lnk")
    std::string Command;  // value data, or shortcut target + " " + arguments, or the file's path
    std::int32_t IconIndex = -1;
    bool Checked = true;         // selected for disabling
    bool PendingChecked = true;  // the check box shown in the startup window
    std::string Location;        // the source's label
    std::int32_t Kind = 0;       // StartupKind
    platform::RootKey RootKey = platform::RootKey::CurrentUser;  // kind 1
    std::string KeyPath;      // kind 1 the key path, kind 2 the folder without trailing backslash
    std::string FileName;     // kind 2 the file's name with extension
    std::string ProgramFile;  // the program the entry starts; empty when none was found
    std::string Comment;      // the user's comment
    std::int32_t Rating = kNotRated;  // 0..100, kNotRated, kUserUnknown
};

using StartupFindings = core::FindingsList<TStartupData>;

// One of the fifteen sources, in scan order. Registry sources have a key path; the two folders
// take theirs from the environment record (common, then user Startup).
struct StartupSource {
    std::string_view location;
    StartupKind kind;
    platform::RootKey root;
    std::string_view keyPath;
};

inline constexpr std::size_t kSourceCount = 15;
extern const std::array<StartupSource, kSourceCount> kStartupSources;

// The suffix of the sibling key or folder a disabled entry moves to.
inline constexpr std::string_view kDisabledSuffix = "-Disabled";

// Below HKEY_CURRENT_USER: the user's ratings and comments, one value per entry.
inline constexpr std::string_view kCommentKey =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\startup\\comment";

// The value name of an entry's user rating: trimmed name + "|" + trimmed command.
std::string UserRatingValueName(std::string_view name, std::string_view command);

// A stored user rating: the choice before the first "|" and the comment after it.
struct UserRating {
    int choice = 0;
    std::string comment;
};
// nullopt when the data holds no "|"; a choice that is no number counts as 0 ("no opinion").
std::optional<UserRating> ParseUserRating(std::string_view data);
// The rating a user choice gives: 0 -> 50, 1 -> 0, 3 -> kUserUnknown, anything else -> 100.
std::int32_t RatingOfUserChoice(int choice);

// The last path component of a Windows path ("C:\a\b.exe" -> "b.exe").
std::string FileNamePart(std::string_view path);

}  // namespace quorvel::startup
