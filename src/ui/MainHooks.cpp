#include "ui/MainHooks.h"

#include "ui/ModulesPage.h"
#include "ui/StatusPage.h"

namespace quorvel::ui {

Tfrmmain::Hooks MakeMainHooks(AppSession& session, Launcher launcher) {
    Tfrmmain::Hooks hooks;
    hooks.launcher = launcher;
    hooks.pages[static_cast<int>(PageIndex::Status)] = [&session](QWidget* parent) -> HostedPage* {
        return new TfrmStatus(session, parent);
    };
    hooks.pages[static_cast<int>(PageIndex::Modules)] = [&session,
                                                         launcher](QWidget* parent) -> HostedPage* {
        return new Tfrmmodules(session, launcher, parent);
    };
    return hooks;
}

}  // namespace quorvel::ui
