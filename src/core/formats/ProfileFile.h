#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/IniFile.h"
#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::core {

// An INI file named by its location, used the way the Windows profile functions use one: every
// read loads the file afresh and every write loads, changes and saves it at once, so two
// ProfileFile objects on the same file (or a reader and another writer) always agree. The
// location is a host path (the program's own settings.ini) or a file of a machine (index.ini in
// the backups folder). A missing file reads as empty; a write creates it.
class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path hostFile);
    ProfileFile(platform::FileSystem& fs, std::string windowsPath);

    // The current contents; an unreadable file reads as empty.
    IniFile load() const;

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> sectionNames() const;
    std::vector<IniFile::KeyValue> sectionValues(std::string_view section) const;

    // Written through at once. A failed load (other than a missing file) is not overwritten.
    platform::Status writeString(std::string_view section, std::string_view key,
                                 std::string_view value);
    platform::Status writeInteger(std::string_view section, std::string_view key,
                                  std::int32_t value);
    platform::Status writeBool(std::string_view section, std::string_view key, bool value);
    platform::Status eraseSection(std::string_view section);
    platform::Status eraseKey(std::string_view section, std::string_view key);

private:
    platform::Result<IniFile> read() const;
    platform::Status write(const IniFile& ini);
    template <class Change>
    platform::Status change(Change&& fn);

    std::filesystem::path hostFile_;
    platform::FileSystem* fs_ = nullptr;
    std::string windowsPath_;
};

}  // namespace quorvel::core
