#pragma once

#include <optional>
#include <string_view>

#include "platform/pe/VersionInfo.h"

namespace quorvel::platform::pe {

// The RT_VERSION resource of a PE32 or PE32+ image held in memory. nullopt when the data is not
// a PE image, has no version resource, or the resource is damaged; every offset is checked.
std::optional<VersionInfo> readVersionInfo(std::string_view image);

// Parses a VS_VERSIONINFO block on its own (the bytes of the resource).
std::optional<VersionInfo> parseVersionResource(std::string_view resource);

}  // namespace quorvel::platform::pe
