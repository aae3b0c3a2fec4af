#pragma once

namespace quorvel::ui {

// Whether a window system can be reached: DISPLAY (X11) or WAYLAND_DISPLAY is set.
bool HasWindowSystem();

}  // namespace quorvel::ui
