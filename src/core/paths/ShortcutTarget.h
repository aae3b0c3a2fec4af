#pragma once

#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/shelllink/ShellLink.h"

namespace quorvel::core {

// The file a shortcut points at, as IShellLink::GetPath with the UNC-priority flag reports it
// once the link is loaded from linkPath.
struct ShortcutTarget {
    std::string path;      // empty for a link to a shell item that is no file
    bool resolved = true;  // false: a %variable% the machine does not define is left in path
};

// When a link holds several descriptions of its target, the first present one wins:
//   1. the location information (a network share before a local base path, plus the suffix);
//   2. the path the ID list names;
//   3. the environment-variable block, expanded over the machine's environment;
//   4. the relative path: against the shortcut's own folder when a file is there, else against
//      the working directory when a file is there, else the shortcut's folder all the same.
// The first two are what the link's saver recorded of the real file; the last two are what a
// shortcut that travels between machines carries instead.
ShortcutTarget ResolveShortcutTarget(const platform::ShellLink& link, std::string_view linkPath,
                                     const platform::Environment& environment,
                                     const platform::FileSystem& fileSystem);

// "C:\a\.\b\..\c" -> "C:\a\c": "." and ".." components folded as GetFullPathName folds them
// ("/" taken as "\"); ".." never climbs above the drive root or the share.
std::string FoldPathDots(std::string_view path);

}  // namespace quorvel::core
