#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::core {

// Reading of language files: "ID=text" lines, UTF-8 or Windows-1252, CR LF, LF or CR line ends.

// Files above this size are not language files; they are treated as unreadable.
inline constexpr std::size_t kMaxLanguageFileBytes = 8u * 1024u * 1024u;

// The file's bytes as UTF-8: a UTF-8 byte order mark is dropped, UTF-16 with a byte order mark
// is converted, valid UTF-8 is kept, anything else is read as Windows-1252.
std::string decodeLanguageBytes(std::string_view bytes);

// The lines of text; a final line end does not make an empty last line.
std::vector<std::string> splitLanguageLines(std::string_view text);

// "  10617 =  text  " becomes "10617=  text": the part before the first "=" trimmed, the rest
// with trailing blanks removed. A line without "=" is trimmed on both sides.
std::string normaliseLanguageLine(std::string_view line);

// The file fileName in folder, its name compared without regard to ASCII case as Windows does
// (an exact match first). None when fileName is not a plain file name (folder parts, "..") or no
// regular file matches.
std::optional<std::filesystem::path> findLanguageFile(const std::filesystem::path& folder,
                                                      std::string_view fileName);

// The normalised lines of the file; empty when it is missing, unreadable, not a regular file or
// larger than kMaxLanguageFileBytes.
std::vector<std::string> loadLanguageFile(const std::filesystem::path& file);

// The message number named by a normalised line ("10617=..." gives 10617), or -1 when the line
// names no message number (no "=", or a name that is not a plain decimal number).
int languageLineId(std::string_view line);

// The text of a normalised line after its first "=" (empty without one).
std::string_view languageLineText(std::string_view line);

}  // namespace quorvel::core
