#include "oneclick/Messages.h"

#include <array>
#include <utility>

namespace quorvel::oneclick {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 22> kEnglish{{
    {msg::ShowDetails, "Show Details"},
    {msg::Scan, "Scan"},
    {msg::NoProblems, "No problems found"},
    {msg::OneProblem, "1 problem found"},
    {msg::Problems, "%s problems found"},
    {msg::JunkFound, "%s of junk files found"},
    {msg::NoJunk, "No junk files found"},
    {msg::TracksFound, "%s privacy tracks found"},
    {msg::Analyzing, "Analyzing..."},
    {msg::ClickRepair, "Click Repair Problems to continue."},
    {msg::RepairProblems, "Repair Problems"},
    {msg::RepairComplete, "Repair complete"},
    {msg::JunkDeleted, "Junk files deleted"},
    {msg::TracksErased, "Privacy tracks erased"},
    {msg::Repairing, "Repairing..."},
    {msg::Cleaning, "Cleaning..."},
    {msg::Erasing, "Erasing..."},
    {msg::ProblemsRepaired, "%s problems repaired"},
    {msg::TracksErasedCount, "%s privacy tracks erased"},
    {msg::SpaceRecovered, "%s of disk space recovered"},
    {msg::PleaseWait, "Please wait..."},
    {msg::OneClickTitle, "One-Click Maintenance"},
}};

}  // namespace

std::string Text(const core::LanguageTable& language, int id, std::string_view first) {
    if (std::string text = language.LangText(id, first); !text.empty()) return text;
    for (const auto& [number, english] : kEnglish) {
        if (number != id) continue;
        std::string text(english);
        if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, first);
        return text;
    }
    return {};
}

std::string Title(const core::LanguageTable& language, ScanCategory category) {
    std::string text = language.LangText(Info(category).titleMessage);
    return text.empty() ? std::string(Info(category).titleEnglish) : text;
}

std::string Description(const core::LanguageTable& language, ScanCategory category) {
    std::string text = language.LangText(Info(category).descriptionMessage);
    return text.empty() ? std::string(Info(category).descriptionEnglish) : text;
}

}  // namespace quorvel::oneclick
