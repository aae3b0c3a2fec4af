#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Machine.h"

namespace quorvel::ui {

// What the desktop programs take from their command line: the Windows-style switch in first
// place (/autostart, /schedulestart) and --machine DIR anywhere.
struct StartArguments {
    std::vector<std::string> arguments;  // as given, without --machine and its folder
    std::optional<std::filesystem::path> machineOption;
};
StartArguments ParseStartArguments(const QStringList& arguments);

// The machine to work on (--machine, $WINEPREFIX, ~/.wine, the demo machine) opened, or the
// reason why none could be.
struct OpenedMachine {
    std::unique_ptr<platform::Machine> machine;
    std::filesystem::path prefix;
    QString error;
};
OpenedMachine OpenSelectedMachine(const StartArguments& start,
                                  const std::filesystem::path& programDir);

}  // namespace quorvel::ui
