#pragma once

#include <string>
#include <string_view>

#include "core/language/LanguageTable.h"
#include "oneclick/ScanCategory.h"

namespace quorvel::oneclick {

// Message numbers of the one-click pass.
namespace msg {
inline constexpr int ShowDetails = 10615;
inline constexpr int Scan = 10616;
inline constexpr int NoProblems = 10617;
inline constexpr int OneProblem = 10618;
inline constexpr int Problems = 10619;
inline constexpr int JunkFound = 10620;
inline constexpr int NoJunk = 10621;
inline constexpr int TracksFound = 10622;
inline constexpr int Analyzing = 10625;
inline constexpr int ClickRepair = 10626;
inline constexpr int RepairProblems = 10627;
inline constexpr int RepairComplete = 10628;
inline constexpr int JunkDeleted = 10629;
inline constexpr int TracksErased = 10630;
inline constexpr int Repairing = 10631;
inline constexpr int Cleaning = 10632;
inline constexpr int Erasing = 10633;
inline constexpr int ProblemsRepaired = 10634;
inline constexpr int TracksErasedCount = 10635;
inline constexpr int SpaceRecovered = 10636;
inline constexpr int PleaseWait = 13024;
inline constexpr int OneClickTitle = 29001;
}  // namespace msg

// The text of message id from the language table; where neither language file has it, the
// English text the page was designed with (with "%s" replaced by first).
std::string Text(const core::LanguageTable& language, int id, std::string_view first = {});

// The category's title and description in the user's language (English where missing).
std::string Title(const core::LanguageTable& language, ScanCategory category);
std::string Description(const core::LanguageTable& language, ScanCategory category);

}  // namespace quorvel::oneclick
