#pragma once

#include <string_view>

#include "core/Context.h"
#include "platform/FileSystem.h"

namespace quorvel::core {

// The folder walks of the cleaners. None of them ever enters a reparse point (symbolic link or
// junction) or deletes anything through one: a link found in a walk, or given as the folder, is
// left in place untouched. Single deletions that fail are passed over; the walk goes on.

// Deletes every file in folder that matches mask and has no system attribute; with recurse,
// descends with the same mask into the subfolders whose own names match it. Returns the outcome
// of the last deletion (false when nothing was deleted).
bool DeleteFilesByMask(platform::FileSystem& fs, std::string_view folder, std::string_view mask,
                       bool recurse);

// Deletes every file of folder and its subfolders that has no system attribute, then removes
// each emptied folder. Returns whether the folder itself was removed.
bool DeleteFolderTree(platform::FileSystem& fs, std::string_view folder);

// As DeleteFolderTree, but keeps the files that ShouldKeepFile keeps with the age test (in use,
// system, written in the last two days) and does not enter protected folders (IsProtectedPath);
// a protected folder given as the folder is left alone. Returns whether the folder was removed.
bool DeleteFolderTreeSafe(const Context& context, std::string_view folder);

}  // namespace quorvel::core
