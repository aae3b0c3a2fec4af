#include "support/HostFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/text/Unicode.h"

namespace quorvel::testing {

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteWholeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    EXPECT_TRUE(out.flush()) << "cannot write " << file;
}

std::string ReadUtf16File(const std::filesystem::path& file) {
    const std::string bytes = ReadWholeFile(file);
    if (!bytes.starts_with("\xFF\xFE")) return {};
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8));
    return platform::text::utf16ToUtf8(units);
}

std::string ShellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace quorvel::testing
