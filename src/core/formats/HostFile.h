#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace quorvel::core {

// The whole contents of a host file. ErrorCode::FileNotFound when it does not exist.
platform::Result<std::string> ReadHostFile(const std::filesystem::path& file);

// Replaces a host file atomically: the contents go to a temporary file beside it, which is
// flushed to disk and renamed over the target; the folder is flushed too. Readers see either the
// old or the new file, never a partial one, even after a crash.
platform::Status WriteHostFileAtomic(const std::filesystem::path& file, std::string_view contents);

}  // namespace quorvel::core
