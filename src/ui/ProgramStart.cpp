#include "ui/ProgramStart.h"

#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::ui {

StartArguments ParseStartArguments(const QStringList& arguments) {
    StartArguments start;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--machine") && i + 1 < arguments.size()) {
            start.machineOption = std::filesystem::path(arguments[++i].toStdString());
        } else if (a.startsWith(QLatin1String("--machine="))) {
            start.machineOption = std::filesystem::path(a.mid(10).toStdString());
        } else {
            start.arguments.push_back(a.toStdString());
        }
    }
    return start;
}

OpenedMachine OpenSelectedMachine(const StartArguments& start,
                                  const std::filesystem::path& programDir) {
    namespace wp = platform::wineprefix;
    OpenedMachine opened;
    const auto inputs =
        wp::MachineSelectionInputs::fromProcess(start.machineOption, programDir / "demo");
    auto choice = wp::selectMachine(inputs);
    if (!choice) {
        opened.error = QString::fromStdString(choice.status().message());
        return opened;
    }
    auto machine = wp::WinePrefixMachine::open(choice.value().prefix);
    if (!machine) {
        opened.error = QString::fromStdString(machine.status().message());
        return opened;
    }
    opened.prefix = choice.value().prefix;
    opened.machine = std::move(machine.value());
    return opened;
}

}  // namespace quorvel::ui
