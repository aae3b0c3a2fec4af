#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Context.h"

namespace quorvel::core {

// Path variables ("%SYS32%\", "%APPDATA%\", ...) replaced by the folders of TGlobalVars.
std::string ExpandPathVars(const TGlobalVars& globals, std::string_view text);
// The short upper-casing variant used by the registry scan.
std::string ExpandPathVarsUpper(const TGlobalVars& globals, std::string_view text);

// Whether a path exists; paths on drives that are not fixed count as existing.
bool PathExists(const Context& context, std::string_view path, bool filesOnly);
// Whether the program that a command line starts exists.
bool CommandTargetExists(const Context& context, std::string_view commandLine, bool cutAtComma);

// "%d Byte", "%.2n KB", "%.2n MB", "%.2n GB" with the locale's separators.
std::string FormatSize(std::int64_t bytes);

// Whether cleaners must leave this folder alone (installer sources and browser caches below the
// temporary folders). Fills the protected-folder list on first use.
bool IsProtectedPath(const Context& context, std::string_view folder);

std::string TextBefore(std::string_view delimiter, std::string_view text, bool includeDelimiter = false);
std::string TextAfter(std::string_view delimiter, std::string_view text, bool includeDelimiter = false);
std::string TextAfterLast(std::string_view delimiter, std::string_view text, bool includeDelimiter = false);

}  // namespace quorvel::core
