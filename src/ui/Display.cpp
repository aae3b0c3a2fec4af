#include "ui/Display.h"

#include <cstdlib>

namespace quorvel::ui {

bool HasWindowSystem() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace quorvel::ui
