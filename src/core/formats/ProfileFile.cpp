#include "core/formats/ProfileFile.h"

#include <utility>

namespace quorvel::core {

using platform::Result;
using platform::Status;

ProfileFile::ProfileFile(std::filesystem::path hostFile) : hostFile_(std::move(hostFile)) {}

ProfileFile::ProfileFile(platform::FileSystem& fs, std::string windowsPath)
    : fs_(&fs), windowsPath_(std::move(windowsPath)) {}

Result<IniFile> ProfileFile::read() const {
    return fs_ ? IniFile::load(*fs_, windowsPath_) : IniFile::load(hostFile_);
}

Status ProfileFile::write(const IniFile& ini) {
    return fs_ ? ini.save(*fs_, windowsPath_) : ini.save(hostFile_);
}

template <class Change>
Status ProfileFile::change(Change&& fn) {
    Result<IniFile> ini = read();
    if (!ini) return ini.status();
    if (!fn(*ini)) return Status::ok();
    return write(*ini);
}

IniFile ProfileFile::load() const {
    Result<IniFile> ini = read();
    return ini ? std::move(ini).value() : IniFile{};
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    return load().readString(section, key, defaultValue);
}

std::int32_t ProfileFile::readInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
    return load().readInteger(section, key, defaultValue);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return load().readBool(section, key, defaultValue);
}

bool ProfileFile::sectionExists(std::string_view section) const {
    return load().sectionExists(section);
}

bool ProfileFile::valueExists(std::string_view section, std::string_view key) const {
    return load().valueExists(section, key);
}

std::vector<std::string> ProfileFile::sectionNames() const {
    return load().sectionNames();
}

std::vector<IniFile::KeyValue> ProfileFile::sectionValues(std::string_view section) const {
    return load().sectionValues(section);
}

Status ProfileFile::writeString(std::string_view section, std::string_view key,
                                std::string_view value) {
    return change([&](IniFile& ini) {
        ini.writeString(section, key, value);
        return true;
    });
}

Status ProfileFile::writeInteger(std::string_view section, std::string_view key,
                                 std::int32_t value) {
    return writeString(section, key, std::to_string(value));
}

Status ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

Status ProfileFile::eraseSection(std::string_view section) {
    return change([&](IniFile& ini) { return ini.eraseSection(section); });
}

Status ProfileFile::eraseKey(std::string_view section, std::string_view key) {
    return change([&](IniFile& ini) { return ini.eraseKey(section, key); });
}

}  // namespace quorvel::core
