#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::testing {

// The whole file as bytes ("" when it cannot be read).
std::string ReadWholeFile(const std::filesystem::path& file);
// Replaces the file with the bytes; a test failure when it cannot be written.
void WriteWholeFile(const std::filesystem::path& file, std::string_view bytes);
// A UTF-16LE file with a byte-order mark, as Windows' tools write .reg files, as UTF-8 text
// ("" when it cannot be read or has no such mark).
std::string ReadUtf16File(const std::filesystem::path& file);
// Text as a POSIX shell reads it back as one word.
std::string ShellQuoted(std::string_view text);

}  // namespace quorvel::testing
