#include "core/environment/OsName.h"

namespace quorvel::core {

std::string OsNameFor(const platform::OsVersion& version) {
    constexpr std::uint32_t kWin9xPlatform = 1;
    switch (version.major) {
        case 3:
            return "nt3.51";
        case 4:
            if (version.minor == 0) return version.platformId == kWin9xPlatform ? "95" : "nt4.0";
            if (version.minor == 10) return "98";
            if (version.minor == 90) return "me";
            return {};
        case 5:
            if (version.minor == 0) return "2000";
            if (version.minor == 1) return "xp";
            return {};
        case 6:
            return "vista";
        default:
            return {};
    }
}

}  // namespace quorvel::core
