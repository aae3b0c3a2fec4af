#include "oneclick/HeadlessSession.h"

#include "core/environment/InitGlobals.h"
#include "oneclick/Categories.h"

namespace quorvel::oneclick {

HeadlessSession::HeadlessSession(platform::Machine& machine,
                                 const std::filesystem::path& programDir, OneClickView& view)
    : context_{machine, globals_, language_, protectedFolders_} {
    core::InitGlobals(machine, programDir, globals_, language_);
    registry::LoadIgnoreLists(context_, ignoreLists_);
    categories_ = MakeCategories(
        {regFindings_, ignoreLists_, &junkFindings_, &shortcutFindings_, &startupFindings_});
    run_ = std::make_unique<OneClickRun>(context_, bridge_, view, categories_, ignoreLists_);
    run_->setSelection(LoadSelection(machine.registry()));
    run_->showIdle();
}

}  // namespace quorvel::oneclick
