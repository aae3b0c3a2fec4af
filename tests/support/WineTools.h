#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryTypes.h"

namespace quorvel::testing {

// Helpers to make real Wine prefixes and to ask Wine's own tools about them. Every command runs
// with HOME in the prefix's parent folder, WINEDEBUG=-all and the menu builder, Mono and Gecko
// installers switched off.
class WineTools {
public:
    struct Output {
        int exitCode = -1;
        std::string text;  // stdout and stderr
    };

    // True when wine, wineboot and wineserver are on PATH.
    static bool available();

    // Runs `program args...` for `prefix` and returns its exit code and output.
    static Output run(const std::filesystem::path& prefix, const std::vector<std::string>& command);
    static Output wine(const std::filesystem::path& prefix, const std::vector<std::string>& args) {
        std::vector<std::string> command{"wine"};
        command.insert(command.end(), args.begin(), args.end());
        return run(prefix, command);
    }

    // Creates a prefix with wineboot and waits until its server has saved the registry and
    // ended. Returns an explanation on failure.
    static std::optional<std::string> makePrefix(const std::filesystem::path& prefix);
    // Waits until the prefix's wineserver has ended (it saves the registry when it ends).
    static void waitForServer(const std::filesystem::path& prefix);
    static void killServer(const std::filesystem::path& prefix);

    // A copy of a prefix for a test that changes it: hives are copied, everything else is
    // hard-linked (Wine never writes into its DLLs).
    static bool copyPrefix(const std::filesystem::path& from, const std::filesystem::path& to);

    // Reads the values of one key from a file written by `wine reg export` (UTF-16 with a BOM,
    // regedit syntax). Key names are matched ignoring case.
    static std::optional<std::map<std::string, platform::RegValue>> exportedValues(
        const std::filesystem::path& regFile, const std::string& keyPath);
};

}  // namespace quorvel::testing
