#pragma once

namespace quorvel::ui {

// The one-click page on its own, as the scheduled runner shows it: its own caption and tray
// icon. Started with /schedulestart it runs the unattended pass one second after it appears,
// from the tray with an animated icon, and reports in a balloon; when the balloon goes away the
// page closes unless findings wait for a repair. Returns the process exit code (always 0).
int RunOneClickWindow(int argc, char** argv);

// Whether the runner shows the window: a display is there and QUORVEL_HEADLESS is not set to a
// non-zero number. Without it the runner reports on the terminal instead.
bool WantsOneClickWindow();

}  // namespace quorvel::ui
