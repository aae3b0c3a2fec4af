#pragma once

#include <string>
#include <string_view>

#include "platform/Status.h"
#include "platform/shelllink/ShellLink.h"

namespace quorvel::platform::shelllink {

// Reads a .lnk file's bytes. Every size and offset is checked against the data: a damaged file
// (truncated, sizes past the end, offsets outside their structure) fails with
// ErrorCode::BadFormat and a sentence saying what is wrong.
Result<ShellLink> parse(std::string_view bytes);

// Writes the link in the binary format. Presence flags follow the record's fields; texts are
// stored as UTF-16 when the link is Unicode (or holds a character that Windows-1252 cannot
// represent), otherwise as Windows-1252.
std::string serialize(const ShellLink& link);

}  // namespace quorvel::platform::shelllink
