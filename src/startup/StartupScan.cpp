#include "startup/StartupScan.h"

#include <cmath>

#include "core/files/ShellWrappers.h"
#include "core/paths/EnvironmentExpansion.h"
#include "core/paths/PathUtils.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::startup {

namespace {

constexpr double kSourceShare = 100.0 / static_cast<double>(kSourceCount);
constexpr std::string_view kUserinitName = "Userinit";
constexpr std::string_view kUserinitProgram = "userinit.exe,";

// The Winlogon form "C:\...\userinit.exe,other.exe": only what follows userinit.exe counts.
std::string userinitCommand(std::string command) {
    const auto at = platform::text::ifind(command, kUserinitProgram);
    if (at == std::string::npos) return command;
    return command.substr(at + kUserinitProgram.size());
}

}  // namespace

std::string StartupProgramFile(const core::Context& context, std::string_view command,
                               const core::FolderIndex* folders) {
    return core::FindCommandTarget(context, command,
                                   {.cutAtComma = false, .tryExe = false, .folders = folders})
        .value_or(std::string());
}

void RateEntry(platform::Registry& registry, const StartupRatings& ratings, TStartupData& entry) {
    entry.Rating = ratings.ratingOf(entry.Name, FileNamePart(entry.ProgramFile));
    auto key = registry.openKey(platform::RootKey::CurrentUser, kCommentKey);
    if (!key) return;
    const auto stored = (*key)->value(UserRatingValueName(entry.Name, entry.Command));
    if (!stored) return;
    const auto text = stored->asString();
    if (!text) return;
    const auto user = ParseUserRating(*text);
    if (!user) return;
    entry.Rating = RatingOfUserChoice(user->choice);
    entry.Comment = user->comment;
}

TStartupScan::TStartupScan(StartupFindings& findings, core::StatusSink& status,
                           const core::Context& context, core::UiBridge& bridge,
                           std::vector<TStartupData>* everyEntry)
    : Worker(bridge),
      findings_(findings),
      status_(status),
      context_(context),
      everyEntry_(everyEntry) {}

TStartupScan::~TStartupScan() {
    stopAndJoin();
}

// Entries reach the UI thread in small batches: rating, the user-ratings read and the list
// change all happen there, at one thread switch per batch instead of one per entry.
void TStartupScan::addFinding(TStartupData entry) {
    pending_.push_back(std::move(entry));
    if (pending_.size() >= kBatch) flushPending();
}

void TStartupScan::flushPending() {
    if (pending_.empty()) return;
    sync([&] {
        for (auto& entry : pending_) {
            RateEntry(context_.machine.registry(), ratings_, entry);
            if (everyEntry_) everyEntry_->push_back(entry);
            if (entry.Rating > kFindingThreshold) findings_.push_back(std::move(entry));
        }
    });
    pending_.clear();
}

int TStartupScan::iconOf(const std::string& file) {
    if (const auto it = icons_.find(file); it != icons_.end()) return it->second;
    const int index = core::SmallIconIndex(context_.machine.shell(), file);
    if (icons_.size() < 100000) icons_.emplace(file, index);
    return index;
}

void TStartupScan::updateStatus(const std::string& programFile, int position) {
    status_.publish(core::ShortenPathKeepDrive(programFile, status_.widthChars()),
                    std::min(position, 100));
}

void TStartupScan::scanKey(const StartupSource& source) {
    auto key = context_.machine.registry().openKey(source.root, source.keyPath);
    if (!key) return;
    const auto values = (*key)->values();
    const std::size_t count = values.size();
    for (std::size_t i = 0; i < count; ++i) {
        const auto& value = values[i].value;
        // A value that is no text (DWORD, binary) starts nothing: it is passed over.
        const auto text = value.asString();
        if (!text) continue;
        TStartupData entry;
        entry.Name = values[i].name;
        entry.Command =
            platform::text::iequals(entry.Name, kUserinitName) ? userinitCommand(*text) : *text;
        if (entry.Command.empty()) continue;
        entry.Location = std::string(source.location);
        entry.Kind = RegistryValue;
        entry.RootKey = source.root;
        entry.KeyPath = std::string(source.keyPath);
        // An expandable command names its program through variables: it is looked for where
        // they lead, while Command keeps the text as stored.
        std::string lookup = entry.Command;
        if (value.type == platform::regtype::ExpandSz) {
            if (auto expanded = core::ExpandEnvironmentVars(context_.machine.environment(), lookup))
                lookup = std::move(*expanded);
        }
        entry.ProgramFile = StartupProgramFile(context_, lookup, &*folders_);
        entry.IconIndex = entry.ProgramFile.empty() ? genericIcon_ : iconOf(entry.ProgramFile);
        const std::string shown = entry.ProgramFile;
        addFinding(std::move(entry));
        updateStatus(shown, static_cast<int>(std::lround(progressBase_ +
                                                         static_cast<double>(i + 1) * 100.0 /
                                                             static_cast<double>(count) /
                                                             static_cast<double>(kSourceCount))));
    }
}

void TStartupScan::scanFolder(const StartupSource& source, const std::string& folder) {
    auto& shell = context_.machine.shell();
    const auto& fs = context_.machine.fileSystem();
    for (const auto& found : fs.find(folder + "\\*.*")) {
        if (found.name == "." || found.name == ".." || found.isDirectory()) continue;
        TStartupData entry;
        entry.Location = std::string(source.location);
        entry.Kind = FolderFile;
        entry.RootKey = source.root;
        entry.KeyPath = folder;
        entry.FileName = found.name;
        const std::string path = folder + "\\" + found.name;
        if (platform::text::iendsWith(found.name, ".lnk")) {
            const auto link = core::ReadShellLink(shell, path);
            if (!link) {
                // One damaged shortcut must not hide the entries after it.
                unreadable_.push_back(path);
                continue;
            }
            entry.Name = found.name.substr(0, found.name.size() - 4);
            entry.Command = link->targetPath + " " + link->arguments;
            entry.ProgramFile = link->targetPath;
            entry.IconIndex = !link->targetPath.empty() && folders_->exists(link->targetPath, true)
                                  ? iconOf(link->targetPath)
                                  : core::SmallIconIndex(shell, found.name);
        } else {
            entry.Name = found.name;
            entry.Command = path;
            entry.ProgramFile = path;
            entry.IconIndex = core::SmallIconIndex(shell, path);
        }
        const std::string shown = entry.ProgramFile;
        addFinding(std::move(entry));
        updateStatus(shown, static_cast<int>(std::lround(progressBase_ + 1)));
    }
}

void TStartupScan::execute() {
    databaseStatus_ = ratings_.load(context_.globals.ProgramDir);
    if (!databaseStatus_) return;
    genericIcon_ = core::SmallIconIndex(context_.machine.shell(), "a.exe");
    folders_.emplace(context_.machine.fileSystem());
    icons_.clear();
    for (std::size_t step = 0; step < kSourceCount; ++step) {
        if (step > 0) {
            if (stopRequested()) return;
            progressBase_ += kSourceShare;
        }
        const StartupSource& source = kStartupSources[step];
        if (source.kind == RegistryValue) {
            scanKey(source);
            flushPending();
            continue;
        }
        std::string folder = source.root == platform::RootKey::LocalMachine
                                 ? context_.globals.CommonStartup
                                 : context_.globals.UserStartup;
        while (!folder.empty() && folder.back() == '\\')
            folder.pop_back();
        if (!folder.empty()) scanFolder(source, folder);
        flushPending();
    }
}

}  // namespace quorvel::startup
