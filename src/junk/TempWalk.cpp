#include "junk/TempWalk.h"

#include "core/files/FileKeepRules.h"
#include "core/paths/PathUtils.h"

namespace quorvel::junk {

namespace {
// Real trees are far shallower; the limit keeps a hostile tree from exhausting the stack.
constexpr int kMaxDepth = 128;
}  // namespace

void TempWalk::run(std::string_view folder) {
    auto& fs = context.machine.fileSystem();
    const auto info = fs.stat(folder);
    if (!info || !info->isDirectory() || info->isReparsePoint()) return;
    if (core::IsProtectedPath(context, folder)) return;
    walk(std::string(folder), 0, core::CurrentFileTime());
}

void TempWalk::walk(const std::string& folder, int depth, platform::FileTime now) {
    if (depth > kMaxDepth) return;
    auto& fs = context.machine.fileSystem();
    const std::string prefix = folder + "\\";
    for (const auto& entry : fs.find(prefix + "*")) {
        if (stop && stop()) return;
        const std::string path = prefix + entry.name;
        if (entry.isDirectory() && !entry.isReparsePoint()) {
            if (core::IsProtectedPath(context, path)) continue;
            walk(path, depth + 1, now);
            if (removeEmptied) fs.removeDirectory(path);
            continue;
        }
        // A link is judged by its own entry and never opened: the in-use test would open its
        // target.
        if (entry.isReparsePoint()) {
            const bool recent = entry.lastWriteTime.ticks + core::kRecentFileTicks >= now.ticks;
            if ((entry.attributes & platform::fileattr::System) != 0 || recent) continue;
        } else if (core::ShouldKeepFile(fs, path, entry.attributes, entry.lastWriteTime, true,
                                        now)) {
            continue;
        }
        visit(path, entry);
    }
}

}  // namespace quorvel::junk
