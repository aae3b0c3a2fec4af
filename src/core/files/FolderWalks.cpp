#include "core/files/FolderWalks.h"

#include <string>

#include "core/environment/SystemPaths.h"
#include "core/files/FileKeepRules.h"
#include "core/paths/PathUtils.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {

namespace {

using platform::FileSystem;
using platform::FindData;
namespace fileattr = platform::fileattr;

// Real folder trees are far shallower; the limit keeps a damaged or hostile tree from exhausting
// the stack.
constexpr int kMaxDepth = 128;

bool isSystem(const FindData& entry) {
    return (entry.attributes & fileattr::System) != 0;
}

// A folder that exists and is not itself a link.
bool isWalkableFolder(const FileSystem& fs, std::string_view folder) {
    const auto info = fs.stat(folder);
    return info && info->isDirectory() && !info->isReparsePoint();
}

struct MaskWalk {
    FileSystem& fs;
    std::string_view mask;
    bool recurse;
    bool lastOutcome = false;

    void run(const std::string& folder, int depth) {
        if (depth > kMaxDepth) return;
        for (const auto& entry : fs.find(folder + std::string(mask))) {
            if (entry.isReparsePoint()) continue;
            const std::string path = folder + entry.name;
            if (entry.isDirectory()) {
                if (recurse) run(path + "\\", depth + 1);
            } else if (!isSystem(entry)) {
                lastOutcome = fs.deleteFile(path).isOk();
            }
        }
    }
};

bool deleteTree(FileSystem& fs, const std::string& folder, int depth) {
    if (depth > kMaxDepth) return false;
    const std::string prefix = WithTrailingBackslash(folder);
    for (const auto& entry : fs.find(prefix + "*")) {
        if (entry.isReparsePoint()) continue;
        const std::string path = prefix + entry.name;
        if (entry.isDirectory())
            deleteTree(fs, path, depth + 1);
        else if (!isSystem(entry))
            fs.deleteFile(path);
    }
    return fs.removeDirectory(folder).isOk();
}

bool deleteTreeSafe(const Context& context, const std::string& folder, int depth) {
    if (depth > kMaxDepth) return false;
    FileSystem& fs = context.machine.fileSystem();
    const std::string prefix = WithTrailingBackslash(folder);
    const platform::FileTime now = CurrentFileTime();
    for (const auto& entry : fs.find(prefix + "*")) {
        if (entry.isReparsePoint()) continue;
        const std::string path = prefix + entry.name;
        if (entry.isDirectory()) {
            if (!IsProtectedPath(context, path)) deleteTreeSafe(context, path, depth + 1);
        } else if (!ShouldKeepFile(fs, path, entry.attributes, entry.lastWriteTime, true, now)) {
            fs.deleteFile(path);
        }
    }
    return fs.removeDirectory(folder).isOk();
}

std::string withoutTrailingBackslash(std::string_view folder) {
    return std::string(platform::text::withoutTrailingBackslash(folder));
}

}  // namespace

bool DeleteFilesByMask(FileSystem& fs, std::string_view folder, std::string_view mask,
                       bool recurse) {
    if (folder.empty() || mask.empty() || !isWalkableFolder(fs, folder)) return false;
    MaskWalk walk{fs, mask, recurse};
    walk.run(WithTrailingBackslash(folder), 0);
    return walk.lastOutcome;
}

bool DeleteFolderTree(FileSystem& fs, std::string_view folder) {
    if (folder.empty() || !isWalkableFolder(fs, folder)) return false;
    return deleteTree(fs, withoutTrailingBackslash(folder), 0);
}

bool DeleteFolderTreeSafe(const Context& context, std::string_view folder) {
    if (folder.empty() || !isWalkableFolder(context.machine.fileSystem(), folder)) return false;
    if (IsProtectedPath(context, folder)) return false;
    return deleteTreeSafe(context, withoutTrailingBackslash(folder), 0);
}

}  // namespace quorvel::core
