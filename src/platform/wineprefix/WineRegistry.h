#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::platform::wineprefix {

// A line of a hive file that could not be read.
struct HiveProblem {
    std::filesystem::path file;
    std::size_t line = 0;  // 1-based
    std::string text;      // what is wrong, followed by the line itself
};

class RegistryState;

// The registry of a Wine prefix, kept in memory and stored in the prefix's three hive files
// (system.reg, user.reg, userdef.reg) in Wine's own text format.
//
// HKEY_LOCAL_MACHINE is system.reg, HKEY_USERS\.Default is userdef.reg and HKEY_CURRENT_USER
// is the user's key under HKEY_USERS that user.reg describes. HKEY_CLASSES_ROOT merges
// HKCU\Software\Classes over HKLM\Software\Classes: reads see the user's key first; values
// are written to the user's key when it exists, otherwise to the machine's; new keys are
// created under HKLM\Software\Classes unless their parent exists only for the user; deletes
// remove the key from both. HKEY_CURRENT_CONFIG is
// HKLM\System\CurrentControlSet\Hardware Profiles\Current. Keys marked as links are followed
// to their target as Wine follows them; a link that leads back into its own path fails to
// open, so walks always end.
//
// Changes stay in memory until flush(), which rewrites each changed hive atomically. Untouched
// keys keep their original text byte for byte. Writes are refused while wineserver runs for
// the prefix, and flush() refuses to overwrite a hive that could not be read completely.
class WineRegistry final : public Registry {
public:
    // Loads the hives of `prefix`; missing hive files start empty. Fails only when the prefix
    // folder does not exist.
    static Result<std::unique_ptr<WineRegistry>> open(const std::filesystem::path& prefix);

    ~WineRegistry() override;
    WineRegistry(const WineRegistry&) = delete;
    WineRegistry& operator=(const WineRegistry&) = delete;

    Result<RegistryKeyPtr> openKey(RootKey root, std::string_view path,
                                   RegAccess access = RegAccess::Read) override;
    Result<RegistryKeyPtr> createKey(RootKey root, std::string_view path) override;
    Status flush() override;
    Status discardChanges() override;

    // The first unreadable line of each damaged hive.
    std::vector<HiveProblem> problems() const;
    const std::filesystem::path& prefix() const;
    // The name of HKEY_CURRENT_USER under HKEY_USERS: the SID in user.reg's header.
    std::string currentUserName() const;

private:
    explicit WineRegistry(std::shared_ptr<RegistryState> state);
    std::shared_ptr<RegistryState> state_;
};

}  // namespace quorvel::platform::wineprefix
