#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::platform {

// VS_FIXEDFILEINFO without its signature and structure version.
struct FixedFileInfo {
    std::uint32_t fileVersionMs = 0;  // major << 16 | minor
    std::uint32_t fileVersionLs = 0;  // build << 16 | revision
    std::uint32_t productVersionMs = 0;
    std::uint32_t productVersionLs = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMs = 0;
    std::uint32_t fileDateLs = 0;

    friend bool operator==(const FixedFileInfo&, const FixedFileInfo&) = default;
};

// One entry of \VarFileInfo\Translation.
struct VersionTranslation {
    std::uint16_t language = 0;  // LANGID, 0x0409 = US English
    std::uint16_t codePage = 0;  // 1200 = Unicode, 1252 = Western

    // The StringFileInfo table key: eight upper-case hexadecimal digits ("040904B0").
    std::string tableKey() const;

    friend bool operator==(const VersionTranslation&, const VersionTranslation&) = default;
};

// One StringTable of \StringFileInfo: its key and its (name, value) strings in file order.
struct VersionStringTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
};

// The version resource of a PE file, as GetFileVersionInfo + VerQueryValue see it.
struct VersionInfo {
    std::optional<FixedFileInfo> fixed;
    std::vector<VersionTranslation> translations;
    std::vector<VersionStringTable> stringTables;

    // VerQueryValue("\StringFileInfo\<tableKey>\<name>"); keys and names compare ignoring case.
    std::optional<std::string> string(std::string_view tableKey, std::string_view name) const;
    // The item from the table of the first translation, the way version readers look it up.
    std::optional<std::string> firstTranslationString(std::string_view name) const;
};

}  // namespace quorvel::platform
