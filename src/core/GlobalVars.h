#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::core {

// The program-wide record of machine facts and settings paths, filled once at start by
// InitGlobals. Every folder field ends with a backslash.
struct TGlobalVars {
    std::string AppData;
    std::string ProgramFiles;
    std::string CommonFiles;
    std::string WinDir;
    std::string TempDir;
    std::string SystemDir;
    std::string AllUsersProfile;
    std::string UserProfile;
    std::string UserStartup;
    std::string CommonStartup;
    std::string UserStartMenu;
    std::string CommonStartMenu;
    std::string UserPrograms;
    std::string CommonPrograms;

    bool IsPortable = false;
    std::string BackupsDir;
    std::int32_t BackupsMax = 0;
    std::int32_t BackupsDelete = 0;

    std::string OsName;
    std::uint32_t OsMajorVersion = 0;
    std::string FixedDrives;  // ";C:\:;D:\:" for every fixed drive, upper case
    std::vector<std::string> SearchPaths;

    std::string LanguageFileName;
    std::string SkinFile;

    // The program's own folder (languages/, data/, skins/, settings.ini): a host path.
    std::filesystem::path ProgramDir;
    // The same folder as programs on the machine name it, with a trailing backslash. Wine shows
    // the host's root folder as drive Z:, so /opt/quorvel/bin is Z:\opt\quorvel\bin\.
    std::string ProgramFolder;
};

}  // namespace quorvel::core
