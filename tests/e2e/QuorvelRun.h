#pragma once

#include <filesystem>
#include <string>
#include <utility>

namespace quorvel::e2e {

// The quorvel executable beside the test executable.
std::filesystem::path quorvelExe();

// Runs quorvel to its end with stderr dropped: exit code (-1 when it did not exit) and stdout.
std::pair<int, std::string> runQuorvel(const std::string& args);

// "--machine '<prefix>' ".
std::string machineArg(const std::filesystem::path& prefix);

// The whole registry (HKLM and HKU) as export text, without the blocks of the program's own
// settings key, which any run of the program may fill with defaults. work holds the files.
std::string fullExport(const std::filesystem::path& prefix, const std::filesystem::path& work);

// The id of the newest backup entry, "" when there is none.
std::string newestBackup(const std::filesystem::path& prefix);

// Copies a prefix folder (drive links kept as links).
void copyPrefix(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace quorvel::e2e
