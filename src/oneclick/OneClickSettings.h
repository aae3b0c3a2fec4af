#pragma once

#include <array>
#include <string_view>

#include "oneclick/ScanCategory.h"
#include "platform/Registry.h"

namespace quorvel::oneclick {

// Which categories are ticked, by Index(category).
using Selection = std::array<bool, kCategoryCount>;

// Below HKEY_CURRENT_USER.
inline constexpr std::string_view kSelectedKey =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Selected";
inline constexpr std::string_view kTracksSectionsKey =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Privacy\\Sections";

// Every category ticked except Tracks.
Selection DefaultSelection();

// Opens OneClick\Selected (creating it), writes the default of each missing value and reads the
// six ticks. A key that cannot be opened or created gives the defaults and writes nothing.
Selection LoadSelection(platform::Registry& registry);
// Writes the six ticks (creating the key). False when the key cannot be opened or a write fails.
bool SaveSelection(platform::Registry& registry, const Selection& selection);

// The options of the unattended pass.
struct AutocareOptions {
    bool scanfix = true;             // the unattended pass repairs what it found
    bool createRestorePoint = true;  // stored and carried only; nothing acts on it
};

// Opens OneClick (creating it), writes true where scanfix is missing and reads it; true when the
// key cannot be opened.
bool LoadScanFix(platform::Registry& registry);
// Both options, each default written where missing.
AutocareOptions LoadAutocareOptions(platform::Registry& registry);
bool SaveAutocareOptions(platform::Registry& registry, const AutocareOptions& options);

}  // namespace quorvel::oneclick
