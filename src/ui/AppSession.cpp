#include "ui/AppSession.h"

#include "core/environment/InitGlobals.h"
#include "core/language/LoadLanguageAndSkin.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::ui {

AppSession::AppSession(std::unique_ptr<platform::Machine> machine, Options options)
    : machine_(std::move(machine)),
      options_(std::move(options)),
      context_{*machine_, globals_, language_, protectedFolders_},
      settings_(machine_->registry()) {
    core::InitGlobals(*machine_, options_.programDir, globals_, language_);
    registry::LoadIgnoreLists(context_, ignoreLists_);
    reloadSkin();
}

std::string AppSession::firstArgument() const {
    return options_.arguments.empty() ? std::string{} : options_.arguments.front();
}

bool AppSession::firstArgumentIs(std::string_view option) const {
    return platform::text::iequals(firstArgument(), option);
}

void AppSession::reloadSkin() {
    skin_ = Skin::load(globals_.SkinFile);
}

void AppSession::reloadLanguageAndSkin() {
    core::LoadLanguageAndSkin(machine_->registry(), globals_, language_);
    reloadSkin();
}

platform::Status AppSession::flush() {
    // Saved under the machine's write lock; the registry itself refuses to overwrite a hive
    // that another program saved since it was read.
    auto lock = machine_->lockForWriting();
    if (!lock) return lock.status();
    return machine_->registry().flush();
}

}  // namespace quorvel::ui
