#include "shortcuts/FixShortcut.h"

#include "core/paths/ShortcutTarget.h"
#include "shortcuts/ShortcutsData.h"

namespace quorvel::shortcuts {

platform::Result<std::string> FixShortcut(const core::Context& context, std::string_view linkPath,
                                          std::string_view newTarget) {
    auto& shell = context.machine.shell();
    if (LiesBehindLink(context.machine.fileSystem(), std::string(linkPath), true))
        return platform::Status(platform::ErrorCode::AccessDenied,
                                "\"" + std::string(linkPath) +
                                    "\" lies in a folder linked out of the machine; it is not "
                                    "rewritten there.");
    auto link = shell.readLink(linkPath);
    if (!link) return link.status();
    link->setTarget(std::string(newTarget));
    if (auto saved = shell.writeLink(linkPath, *link); !saved) return saved;
    auto again = shell.readLink(linkPath);
    if (!again) return again.status();
    return core::ResolveShortcutTarget(*again, linkPath, context.machine.environment(),
                                       context.machine.fileSystem())
        .path;
}

}  // namespace quorvel::shortcuts
