#pragma once

#include <string>
#include <string_view>

#include "platform/FileTime.h"

namespace quorvel::core {

// A point in time as days since 1899-12-30 00:00 with the time of day as the fraction, in local
// time (the classic Windows date-time number).
using DateTime = double;

// The local date-time of a file time; a file time that cannot be converted (beyond the year 9999)
// gives 1980-01-01 00:00.
DateTime FileTimeToDateTime(platform::FileTime time);

// "MM/DD/YY hh:mm:ss AM" in local time; "01/01/80 12:00:00 AM" for a file time that cannot be
// converted.
std::string FileLastWriteAsText(platform::FileTime time);

// -1, 0 or 1 as the first date-time text (as FileLastWriteAsText writes it) is earlier than,
// equal to, or later than the second. A text that cannot be read counts as 01/01/80 12:00:00 AM.
int CompareDateTimeTexts(std::string_view first, std::string_view second);

}  // namespace quorvel::core
