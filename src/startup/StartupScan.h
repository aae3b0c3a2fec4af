#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Context.h"
#include "core/files/FolderIndex.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "platform/Status.h"
#include "startup/StartupData.h"
#include "startup/StartupRatings.h"

namespace quorvel::startup {

// The program file that a startup command starts: quoted or unquoted, 8.3 names expanded,
// names without a drive looked up in SearchPaths (a quoted one is kept as written), an unquoted
// path with spaces shortened word by word from the end until it exists. Empty when none exists.
// With folders, existence is answered from the listings of that pass.
std::string StartupProgramFile(const core::Context& context, std::string_view command,
                               const core::FolderIndex* folders = nullptr);

// The Startup category's scanner thread. Reads the fifteen sources in order (registry values
// of the thirteen Run keys, files of the common and the user Startup folder), finds each
// entry's program file, rates it by the description database and the user's own ratings, and
// appends the entries rated above 60 to the findings list on the UI thread. Changes nothing.
// A stop request takes effect between sources.
class TStartupScan final : public core::Worker {
public:
    // everyEntry, when given, receives every entry read, rated, finding or not (on the UI thread).
    TStartupScan(StartupFindings& findings, core::StatusSink& status, const core::Context& context,
                 core::UiBridge& bridge, std::vector<TStartupData>* everyEntry = nullptr);
    ~TStartupScan() override;

    // Valid once the thread has ended. A database that could not be loaded ends the scan before
    // its first source.
    const platform::Status& databaseStatus() const { return databaseStatus_; }
    // Shortcuts of the startup folders that could not be read, and were passed over.
    const std::vector<std::string>& unreadableShortcuts() const { return unreadable_; }

protected:
    void execute() override;

private:
    void scanKey(const StartupSource& source);
    void scanFolder(const StartupSource& source, const std::string& folder);
    void addFinding(TStartupData entry);
    void flushPending();

    static constexpr std::size_t kBatch = 64;
    void updateStatus(const std::string& programFile, int position);
    // The shell's small icon of a program file, asked once per file in a pass.
    int iconOf(const std::string& file);

    StartupFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    std::vector<TStartupData>* everyEntry_;
    StartupRatings ratings_;
    platform::Status databaseStatus_;
    std::vector<std::string> unreadable_;
    std::vector<TStartupData> pending_;  // read, not yet handed to the UI thread
    double progressBase_ = 0;
    int genericIcon_ = -1;
    // Both live for one pass: many entries name the same programs in the same few folders.
    std::optional<core::FolderIndex> folders_;
    std::unordered_map<std::string, int> icons_;
};

// The rating of an entry: the database's, then the user's stored choice over it (which also
// gives the comment). Reads the user's ratings key of the machine.
void RateEntry(platform::Registry& registry, const StartupRatings& ratings, TStartupData& entry);

}  // namespace quorvel::startup
