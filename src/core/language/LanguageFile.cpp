#include "core/language/LanguageFile.h"

#include <fstream>
#include <system_error>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"
#include "platform/text/Unicode.h"

namespace quorvel::core {
namespace {

using platform::text::isBlank;
using platform::text::trimLeft;
using platform::text::trimRight;

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
    }
    return platform::text::utf16ToUtf8(units);
}

}  // namespace

std::string decodeLanguageBytes(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else if (bytes.starts_with("\xFF\xFE"))
        return utf16ToUtf8(bytes.substr(2), false);
    else if (bytes.starts_with("\xFE\xFF"))
        return utf16ToUtf8(bytes.substr(2), true);
    if (platform::text::isValidUtf8(bytes)) return std::string(bytes);
    return platform::text::cp1252ToUtf8(bytes);
}

std::vector<std::string> splitLanguageLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string normaliseLanguageLine(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::string(trimLeft(trimRight(line)));
    std::string out(trimLeft(trimRight(line.substr(0, eq))));
    out += trimRight(line.substr(eq));
    return out;
}

std::optional<std::filesystem::path> findLanguageFile(const std::filesystem::path& folder,
                                                      std::string_view fileName) {
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find_first_of("/\\:") != std::string_view::npos) {
        return std::nullopt;
    }
    std::error_code ec;
    const auto exact = folder / std::filesystem::path(std::string(fileName));
    if (std::filesystem::is_regular_file(exact, ec)) return exact;

    std::filesystem::directory_iterator it(folder, ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        if (platform::text::iequals(it->path().filename().string(), fileName) &&
            it->is_regular_file(ec)) {
            return it->path();
        }
    }
    return std::nullopt;
}

std::vector<std::string> loadLanguageFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return {};
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxLanguageFileBytes) return {};

    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return {};

    std::vector<std::string> lines = splitLanguageLines(decodeLanguageBytes(bytes));
    for (auto& line : lines)
        line = normaliseLanguageLine(line);
    return lines;
}

int languageLineId(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq > 9) return -1;
    if (line[0] == '0' && eq > 1) return -1;  // "010617" does not name message 10617
    int id = 0;
    for (std::size_t i = 0; i < eq; ++i) {
        if (line[i] < '0' || line[i] > '9') return -1;
        id = id * 10 + (line[i] - '0');
    }
    return id;
}

std::string_view languageLineText(std::string_view line) {
    const auto eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
}

}  // namespace quorvel::core
