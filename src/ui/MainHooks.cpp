#include "ui/MainHooks.h"

#include "ui/ModulesPage.h"
#include "ui/OneClickPage.h"
#include "ui/OneClickPageDriver.h"
#include "ui/StatusPage.h"

namespace quorvel::ui {

Tfrmmain::Hooks MakeMainHooks(AppSession& session, Launcher launcher) {
    Tfrmmain::Hooks hooks;
    hooks.launcher = launcher;
    hooks.pages[static_cast<int>(PageIndex::Status)] = [&session](QWidget* parent) -> HostedPage* {
        return new TfrmStatus(session, parent);
    };
    hooks.pages[static_cast<int>(PageIndex::OneClick)] =
        [&session, launcher](QWidget* parent) -> HostedPage* {
        auto* page = new Tfrmoneclick(session, parent);
        page->setHosted(true);
        OneClickPageDriver::Attach(session, *page, launcher);
        return page;
    };
    hooks.pages[static_cast<int>(PageIndex::Modules)] = [&session,
                                                         launcher](QWidget* parent) -> HostedPage* {
        return new Tfrmmodules(session, launcher, parent);
    };
    return hooks;
}

}  // namespace quorvel::ui
