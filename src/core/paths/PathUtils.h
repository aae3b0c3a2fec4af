#pragma once

#include <cstdint>
#include <locale>
#include <optional>
#include <string>
#include <string_view>

#include "core/Context.h"
#include "platform/RegistryTypes.h"

namespace quorvel::core {

// Path variables ("%SYS32%\", "%APPDATA%\", ...) replaced by the folders of TGlobalVars, case
// ignored, one variable after the other in a fixed order; a replacement is never scanned again.
std::string ExpandPathVars(const TGlobalVars& globals, std::string_view text);
// The short upper-casing variant used by the registry scan: the result is upper case except for
// the folder that the last replacement inserted. Compare it case-insensitively.
std::string ExpandPathVarsUpper(const TGlobalVars& globals, std::string_view text);

// "C:" for "C:\x", "\\server\share" for "\\server\share\x", empty without a drive.
std::string ExtractFileDrive(std::string_view path);

// Whether a path exists; paths on drives that are not fixed count as existing without being
// looked at. With filesOnly a folder of that name does not count. On 64-bit Windows a path in
// the system folder also counts when SysWOW64 holds it (the 32-bit view).
bool PathExists(const Context& context, std::string_view path, bool filesOnly);
// Whether the program that a command line starts exists: quoted and unquoted names, switches
// after "/", arguments after "," (with cutAtComma) and after spaces, bare names looked up in
// SearchPaths with and without ".exe".
bool CommandTargetExists(const Context& context, std::string_view commandLine, bool cutAtComma);

struct CommandSearch {
    bool cutAtComma = false;  // arguments after "," (rundll32 style) are cut off too
    bool tryExe = true;       // a name is also tried with ".exe" appended
};
// The program file that a command line starts, by the rules of CommandTargetExists: the full
// path found (8.3 names expanded), except that a quoted name without a drive found through
// SearchPaths is returned as written. nullopt when nothing exists.
std::optional<std::string> FindCommandTarget(const Context& context, std::string_view commandLine,
                                             CommandSearch options);

// "%d Byte", "%.2n KB", "%.2n MB", "%.2n GB" (powers of 1024) with the decimal point and
// thousands separator of the locale: the given one, else the global C++ locale when one was
// set, else the C library's numeric locale ("." and "," by default). Groups of three when the
// locale names no grouping.
std::string FormatSize(std::int64_t bytes);
std::string FormatSize(std::int64_t bytes, const std::locale& locale);

// Whether cleaners must leave this folder alone (installer sources and browser caches below the
// temporary folders). A trailing backslash is ignored. Fills the protected-folder list on first
// use.
bool IsProtectedPath(const Context& context, std::string_view folder);

// File-mask match with "*" and "?" (every other character literal), case-insensitive for ASCII.
bool MatchesMask(std::string_view text, std::string_view mask);

// Registry roots by name: "HKEY_LOCAL_MACHINE" / "HKLM". An unknown root gives
// "HKEY_CURRENT_USER"; an unknown name gives CurrentUser. Long names compare exactly, short
// names after upper-casing.
std::string RootKeyName(platform::RootKey root);
platform::RootKey RootKeyFromName(std::string_view longName);
platform::RootKey RootKeyFromShortName(std::string_view shortName);

// The part before the first, after the first, after the last occurrence of delimiter (with the
// delimiter when includeDelimiter); the whole text when the delimiter is absent or empty.
std::string TextBefore(std::string_view delimiter, std::string_view text,
                       bool includeDelimiter = false);
std::string TextAfter(std::string_view delimiter, std::string_view text,
                      bool includeDelimiter = false);
std::string TextAfterLast(std::string_view delimiter, std::string_view text,
                          bool includeDelimiter = false);

}  // namespace quorvel::core
