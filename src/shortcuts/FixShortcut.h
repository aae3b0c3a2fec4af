#pragma once

#include <string>
#include <string_view>

#include "core/Context.h"
#include "platform/Status.h"

namespace quorvel::shortcuts {

// Points the shortcut file at newTarget and saves it in place through the machine's shell (what
// IShellLink::SetPath + IPersistFile::Save do), keeping its description, arguments, icon and
// the rest. Returns the target the saved file reports when read again; a shortcut that cannot
// be read or saved gives the Status that says why, and the file is left as it was. Nothing is
// written through a symbolic link (Wine's desktop, linked to the Linux home).
platform::Result<std::string> FixShortcut(const core::Context& context, std::string_view linkPath,
                                          std::string_view newTarget);

}  // namespace quorvel::shortcuts
