#include "ui/MainHooks.h"

#include <memory>

#include "backup/TPrepare.h"

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
    // The start-up housekeeping thread: started with the window, its reference cleared when it
    // ends, stopped and awaited when the window closes first.
    auto prepare = std::make_shared<std::unique_ptr<backup::TPrepare>>();
    hooks.startPrepare = [&session, prepare] {
        *prepare = std::make_unique<backup::TPrepare>(session.context(), session.bridge());
        backup::TPrepare* started = prepare->get();
        started->start([&session, prepare, started] {
            // Released after the notification has returned, never from inside it.
            QMetaObject::invokeMethod(
                &session.bridge(),
                [prepare, started] {
                    if (prepare->get() == started) prepare->reset();
                },
                Qt::QueuedConnection);
        });
    };
    hooks.stopPrepare = [prepare] {
        if (*prepare) (*prepare)->cancelAndWait();
        prepare->reset();
    };
    return hooks;
}

}  // namespace quorvel::ui
