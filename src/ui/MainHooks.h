#pragma once

#include "ui/AppSession.h"
#include "ui/MainWindow.h"

namespace quorvel::ui {

// The main window's pages and start-up threads as the desktop program wires them.
Tfrmmain::Hooks MakeMainHooks(AppSession& session, Launcher launcher = Launcher::system());

}  // namespace quorvel::ui
