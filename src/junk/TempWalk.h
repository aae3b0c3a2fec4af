#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/Context.h"
#include "platform/FileSystem.h"

namespace quorvel::junk {

// The walk over a temporary folder that both the scan and the clean make. It never enters a
// symbolic link, junction or drive mapping (reparse points), nor a protected folder. For each
// file the keep rules do not keep (in use, system, written in the last two days), visit is
// called with its path and entry; a link is offered like a file, as the link itself. stop is
// asked before each entry. With removeEmptied, each subfolder is removed after its walk (which
// fails while anything is left in it); the folder given is never removed.
struct TempWalk {
    const core::Context& context;
    std::function<bool()> stop;
    std::function<void(const std::string& path, const platform::FindData& entry)> visit;
    bool removeEmptied = false;

    void run(std::string_view folder);

private:
    void walk(const std::string& folder, int depth, platform::FileTime now);
};

}  // namespace quorvel::junk
