#pragma once

#include <string>
#include <string_view>

namespace quorvel::platform::wineprefix {

// Whether a name is a valid 8.3 name as it stands (then it is its own short name).
bool isLegal8Dot3Name(std::string_view name);

// The 8.3 alias Wine shows for a long name: up to four characters of the name, '~' padding,
// three hash characters and the first three characters of the extension, upper case
// ("Program Files" -> "PROGR~VK" style). Names that are valid 8.3 names are returned as they
// are, upper-cased.
std::string wineShortName(std::string_view longName);

// Whether `shortName` (a component written with '~', any case) can stand for `longName`: it is
// Wine's alias of the long name, or it has the usual NAME~N form whose letters start the long
// name (spaces and dots left out) and whose extension starts the long name's extension.
bool isWineAliasOf(std::string_view shortName, std::string_view longName);
bool isNumberedAliasOf(std::string_view shortName, std::string_view longName);
// N of a NAME~N alias (1 when there is no number).
unsigned aliasNumber(std::string_view shortName);

}  // namespace quorvel::platform::wineprefix
