#include "startup/StartupData.h"

#include <charconv>

namespace quorvel::startup {

namespace {

using platform::RootKey;

// Blanks and control characters at both ends, as Delphi's Trim removes them.
std::string_view trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

}  // namespace

const std::array<StartupSource, kSourceCount> kStartupSources = {{
    {"Registry\\All Users\\Run", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {"Registry\\All Users\\Run", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
    {"Registry\\All Users\\RunOnce", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {"Registry\\All Users\\RunOnceEx", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {"Registry\\All Users\\RunServices", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {"Registry\\All Users\\RunServicesOnce", RegistryValue, RootKey::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {"Registry\\Default User\\Run", RegistryValue, RootKey::Users,
     ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {"Registry\\Current User\\Run", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {"Registry\\Current User\\Run", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
    {"Registry\\Current User\\RunOnce", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {"Registry\\Current User\\RunOnceEx", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {"Registry\\Current User\\RunServices", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {"Registry\\Current User\\RunServicesOnce", RegistryValue, RootKey::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {"StartUp Folder\\All Users", FolderFile, RootKey::LocalMachine, {}},
    {"StartUp Folder\\Current User", FolderFile, RootKey::CurrentUser, {}},
}};

std::string UserRatingValueName(std::string_view name, std::string_view command) {
    std::string result(trim(name));
    result += '|';
    result += trim(command);
    return result;
}

std::optional<UserRating> ParseUserRating(std::string_view data) {
    const auto bar = data.find('|');
    if (bar == std::string_view::npos) return std::nullopt;
    UserRating rating;
    const std::string_view number = trim(data.substr(0, bar));
    int choice = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), choice);
    if (error == std::errc() && end == number.data() + number.size()) rating.choice = choice;
    rating.comment = std::string(data.substr(bar + 1));
    return rating;
}

std::int32_t RatingOfUserChoice(int choice) {
    switch (choice) {
        case 0:
            return 50;
        case 1:
            return 0;
        case 3:
            return kUserUnknown;
        default:
            return 100;
    }
}

std::string FileNamePart(std::string_view path) {
    const auto cut = path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace quorvel::startup
