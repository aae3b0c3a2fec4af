#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryTypes.h"
#include "platform/Status.h"

namespace quorvel::backup::regfile {

// One value line: a value to write, or a value to delete ("name"=-).
struct ParsedValue {
    std::string name;                         // "" is the default value (@)
    std::optional<platform::RegValue> value;  // nullopt: delete the value
};

// One "[key]" block, or a "[-key]" line that deletes the key with everything below it.
struct ParsedKey {
    platform::RootKey root = platform::RootKey::CurrentUser;
    std::string path;  // relative to root, no leading backslash; "" is the root itself
    bool remove = false;
    std::vector<ParsedValue> values;
};

struct ParsedFile {
    std::vector<ParsedKey> keys;
};

// Reads a whole export file: "Windows Registry Editor Version 5.00" in UTF-16LE with byte-order
// mark, or "REGEDIT4" in UTF-8 or Windows-1252. Any damage (missing header, odd byte count, a
// line that is neither key, value nor comment, bad hex, an unterminated string, a file that
// ends inside a continued value) fails the whole file with the line number, so a caller never
// applies half of a damaged file.
platform::Result<ParsedFile> parseFile(std::string_view bytes);

}  // namespace quorvel::backup::regfile
