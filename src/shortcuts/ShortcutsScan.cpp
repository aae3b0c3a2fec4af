#include "shortcuts/ShortcutsScan.h"

#include "core/files/ShellWrappers.h"
#include "core/paths/PathUtils.h"
#include "core/paths/ShortcutTarget.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::shortcuts {
namespace {

bool hasLinkExtension(std::string_view path) {
    return path.size() >= 4 && platform::text::iequals(path.substr(path.size() - 4), ".lnk");
}

}  // namespace

bool IsBrokenTarget(const core::Context& context, const std::string& target) {
    if (target.size() < 4) return false;
    if (target[0] == '\\' && target[1] == '\\') return false;
    return !core::PathExists(context, target, false);
}

TShortcutsScan::TShortcutsScan(ShortcutFindings& findings, core::StatusSink& status,
                               const core::Context& context, core::UiBridge& bridge)
    : Worker(bridge), findings_(findings), status_(status), context_(context) {}

TShortcutsScan::~TShortcutsScan() {
    stopAndJoin();
}

void TShortcutsScan::addFinding(TShortcutsData finding) {
    finding.IconIndex = core::SmallIconIndex(context_.machine.shell(), finding.Path);
    sync([&] { findings_.push_back(std::move(finding)); });
}

void TShortcutsScan::checkFile(const std::string& path) {
    ++examined_;
    // The bar climbs one step per file up to 90; the run finishes it.
    if (position_ < 90) ++position_;
    status_.publish(core::ShortenPathKeepDrive(path, status_.widthChars()), position_);
    if (!hasLinkExtension(path)) return;
    const auto link = context_.machine.shell().readLink(path);
    if (!link) return;  // unreadable: not judged
    const auto target = core::ResolveShortcutTarget(*link, path, context_.machine.environment(),
                                                    context_.machine.fileSystem());
    if (!target.resolved || !IsBrokenTarget(context_, target.path)) return;
    addFinding({target.path, path, link->description.value_or(std::string{}), 0, true, false});
}

bool TShortcutsScan::reportable(const std::string& folder) const {
    auto& fs = context_.machine.fileSystem();
    const auto attributes = fs.attributes(folder);
    constexpr auto kKeep =
        platform::fileattr::ReadOnly | platform::fileattr::Hidden | platform::fileattr::System;
    if (attributes == platform::fileattr::Invalid || (attributes & kKeep) != 0) return false;
    if (!startup_.empty() && platform::text::iequals(folder, startup_)) return false;
    // A folder that cannot take its own name again is in use or locked.
    return fs.moveFile(folder, folder, false).isOk();
}

bool TShortcutsScan::walkFolder(const std::string& folder, bool linkedTop) {
    bool empty = true;
    auto& fs = context_.machine.fileSystem();
    for (const auto& entry : fs.find(folder + "\\*.*")) {
        if (stopRequested()) return false;
        empty = false;
        const std::string path = folder + "\\" + entry.name;
        if (entry.isDirectory()) {
            // A link is not entered, nor is anything below a linked top folder.
            if (entry.isReparsePoint() || linkedTop) continue;
            if (!walkFolder(path, false)) return false;
            continue;
        }
        checkFile(path);
    }
    if (empty && !linkedTop && reportEmptyFolders && reportable(folder))
        addFinding({"", folder, "", 0, true, true});
    return true;
}

void TShortcutsScan::execute() {
    startup_ = UserStartupFolder(context_);
    const auto& fs = context_.machine.fileSystem();
    for (const auto& folder : ShortcutFolders(context_)) {
        if (stopRequested()) return;
        if (!walkFolder(folder, LiesBehindLink(fs, folder, true))) return;
    }
}

}  // namespace quorvel::shortcuts
