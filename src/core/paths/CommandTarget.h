#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Context.h"
#include "core/files/FolderIndex.h"

namespace quorvel::core {

// "C:" for "C:\x", "\\server\share" for "\\server\share\x", empty without a drive.
std::string ExtractFileDrive(std::string_view path);

// Whether a path exists; paths on drives that are not fixed count as existing without being
// looked at. With filesOnly a folder of that name does not count. On 64-bit Windows a path in
// the system folder also counts when SysWOW64 holds it (the 32-bit view).
// A FolderIndex, when given, answers from its listings instead of the file system.
bool PathExists(const Context& context, std::string_view path, bool filesOnly,
                const FolderIndex* folders = nullptr);
// Whether the program that a command line starts exists: quoted and unquoted names, switches
// after "/", arguments after "," (with cutAtComma) and after spaces, bare names looked up in
// SearchPaths with and without ".exe".
bool CommandTargetExists(const Context& context, std::string_view commandLine, bool cutAtComma);

struct CommandSearch {
    bool cutAtComma = false;               // arguments after "," (rundll32 style) are cut off too
    bool tryExe = true;                    // a name is also tried with ".exe" appended
    const FolderIndex* folders = nullptr;  // listings of one pass, see PathExists
};
// The program file that a command line starts, by the rules of CommandTargetExists: the full
// path found (8.3 names expanded), except that a quoted name without a drive found through
// SearchPaths is returned as written. nullopt when nothing exists.
std::optional<std::string> FindCommandTarget(const Context& context, std::string_view commandLine,
                                             CommandSearch options);

}  // namespace quorvel::core
