#include "platform/wineprefix/MachineSelection.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace quorvel::platform::wineprefix {
namespace {

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

Status copyFailure(const std::filesystem::path& source, const std::filesystem::path& target,
                   const std::error_code& ec) {
    return {ErrorCode::AccessDenied, "Cannot copy the demo machine from \"" + source.string() +
                                         "\" to \"" + target.string() + "\": " + ec.message()};
}

}  // namespace

MachineSelectionInputs MachineSelectionInputs::fromProcess(
    std::optional<std::filesystem::path> machineOption, std::filesystem::path demoSource) {
    MachineSelectionInputs in;
    in.machineOption = std::move(machineOption);
    in.winePrefix = environmentVariable("WINEPREFIX");
    in.home = environmentVariable("HOME");
    in.xdgDataHome = environmentVariable("XDG_DATA_HOME");
    in.demoSource = std::move(demoSource);
    return in;
}

std::optional<std::filesystem::path> demoMachineFolder(const MachineSelectionInputs& inputs) {
    // The XDG rules ignore a relative or empty XDG_DATA_HOME.
    if (inputs.xdgDataHome && !inputs.xdgDataHome->empty() && (*inputs.xdgDataHome)[0] == '/')
        return std::filesystem::path(*inputs.xdgDataHome) / "quorvel" / "demo-machine";
    if (inputs.home && !inputs.home->empty())
        return std::filesystem::path(*inputs.home) / ".local" / "share" / "quorvel" /
               "demo-machine";
    return std::nullopt;
}

Result<MachineChoice> selectMachine(const MachineSelectionInputs& inputs) {
    if (inputs.machineOption && !inputs.machineOption->empty())
        return MachineChoice{*inputs.machineOption, MachineSource::Option};
    if (inputs.winePrefix && !inputs.winePrefix->empty())
        return MachineChoice{*inputs.winePrefix, MachineSource::WinePrefix};
    std::error_code ec;
    if (inputs.home && !inputs.home->empty()) {
        const auto wine = std::filesystem::path(*inputs.home) / ".wine";
        if (std::filesystem::is_directory(wine, ec))
            return MachineChoice{wine, MachineSource::HomeWine};
    }
    const auto demo = demoMachineFolder(inputs);
    if (!demo)
        return Status(ErrorCode::PathNotFound,
                      "No machine to work on: neither --machine, WINEPREFIX, HOME nor "
                      "XDG_DATA_HOME is set.");
    if (!std::filesystem::exists(*demo / "system.reg", ec)) {
        if (auto s = copyDemoMachine(inputs.demoSource, *demo); !s) return s;
    }
    return MachineChoice{*demo, MachineSource::Demo};
}

Status copyDemoMachine(const std::filesystem::path& source, const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_regular_file(source / "system.reg", ec))
        return {ErrorCode::PathNotFound, "The bundled demo machine is missing: \"" +
                                             source.string() + "\" has no system.reg."};
    fs::create_directories(target.parent_path(), ec);
    if (ec) return copyFailure(source, target, ec);
    const fs::path staging =
        target.parent_path() / (target.filename().string() + ".new-" + std::to_string(::getpid()));
    fs::remove_all(staging, ec);
    fs::copy(source, staging, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        fs::remove_all(staging, ec);
        return copyFailure(source, target, ec);
    }
    // Files keep their times: the machine's old temporary files must stay old in the copy.
    for (auto it = fs::recursive_directory_iterator(source, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code timeError;
        if (!it->is_regular_file(timeError) || it->is_symlink(timeError)) continue;
        const auto time = it->last_write_time(timeError);
        if (!timeError)
            fs::last_write_time(staging / fs::relative(it->path(), source, timeError), time,
                                timeError);
    }
    // Git holds no empty folder: the demo marks each of its empty folders with a file of this
    // name, dropped from the copy.
    std::vector<fs::path> markers;
    for (auto it = fs::recursive_directory_iterator(staging, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().filename() == ".quorvel-empty") markers.push_back(it->path());
    }
    for (const auto& marker : markers)
        fs::remove(marker, ec);
    ec.clear();
    fs::create_directories(staging / "dosdevices", ec);
    const auto cDrive = staging / "dosdevices" / "c:";
    if (!fs::is_symlink(cDrive, ec)) {
        fs::remove_all(cDrive, ec);
        fs::create_directory_symlink("../drive_c", cDrive, ec);
        if (ec) {
            fs::remove_all(staging, ec);
            return copyFailure(source, target, ec);
        }
    }
    // The old copy goes only once the new one is complete.
    const fs::path old =
        target.parent_path() / (target.filename().string() + ".old-" + std::to_string(::getpid()));
    fs::remove_all(old, ec);
    if (fs::exists(fs::symlink_status(target, ec))) {
        fs::rename(target, old, ec);
        if (ec) {
            fs::remove_all(staging, ec);
            return copyFailure(source, target, ec);
        }
    }
    fs::rename(staging, target, ec);
    if (ec) {
        const auto error = ec;
        fs::rename(old, target, ec);
        fs::remove_all(staging, ec);
        return copyFailure(source, target, error);
    }
    fs::remove_all(old, ec);
    return Status::ok();
}

}  // namespace quorvel::platform::wineprefix
