#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Status.h"

namespace quorvel::platform::wineprefix {

// Where the machine to work on comes from, in order of precedence.
enum class MachineSource {
    Option,      // --machine DIR
    WinePrefix,  // $WINEPREFIX
    HomeWine,    // ~/.wine, when it exists
    Demo,        // the bundled demo machine, copied into the user's data folder
};

struct MachineChoice {
    std::filesystem::path prefix;
    MachineSource source = MachineSource::Demo;
};

// What the choice depends on; fromProcess() fills it from the process environment.
struct MachineSelectionInputs {
    std::optional<std::filesystem::path> machineOption;
    std::optional<std::string> winePrefix;   // $WINEPREFIX
    std::optional<std::string> home;         // $HOME
    std::optional<std::string> xdgDataHome;  // $XDG_DATA_HOME
    std::filesystem::path demoSource;        // the bundled demo machine (never changed)

    static MachineSelectionInputs fromProcess(std::optional<std::filesystem::path> machineOption,
                                              std::filesystem::path demoSource);
};

// The user's copy of the demo machine: $XDG_DATA_HOME/quorvel/demo-machine, by default
// ~/.local/share/quorvel/demo-machine. nullopt when neither variable is set.
std::optional<std::filesystem::path> demoMachineFolder(const MachineSelectionInputs& inputs);

// Picks the machine: --machine, else $WINEPREFIX (when not empty), else ~/.wine when it is a
// folder, else the demo machine, copied from demoSource on first use (an existing copy is
// used as it is).
Result<MachineChoice> selectMachine(const MachineSelectionInputs& inputs);

// Replaces `target` with a fresh copy of the demo machine at `source`. The copy is made beside
// the target and renamed into place, so a failed copy leaves no half machine behind. Drive
// links are kept; a missing dosdevices/c: link is made (-> ../drive_c).
Status copyDemoMachine(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace quorvel::platform::wineprefix
