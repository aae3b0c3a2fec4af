#pragma once

#include <cstdint>
#include <locale>
#include <string>

namespace quorvel::core {

// "%d Byte", "%.2n KB", "%.2n MB", "%.2n GB" (powers of 1024) with the decimal point and
// thousands separator of the locale: the given one, else the global C++ locale when one was
// set, else the C library's numeric locale ("." and "," by default). Groups of three when the
// locale names no grouping.
std::string FormatSize(std::int64_t bytes);
std::string FormatSize(std::int64_t bytes, const std::locale& locale);

}  // namespace quorvel::core
