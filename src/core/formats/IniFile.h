#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::core {

// An INI file with the semantics of the Windows profile functions (GetPrivateProfileString,
// GetPrivateProfileInt, WritePrivateProfileString, GetPrivateProfileSectionNames,
// GetPrivateProfileSection):
// - section and key names compare case-insensitively (ASCII), ignoring surrounding blanks;
// - the first matching section, and in it the first matching key, wins;
// - values are read trimmed, and a value enclosed in matching single or double quotes loses them;
// - lines starting with ';' are comments.
// The text is kept line by line, so a file that is not changed serialises byte for byte as it was
// read, and a write changes only the line it concerns. Line ends follow the file (CR LF, LF); new
// files use CR LF. Damaged text (binary bytes, a missing final newline, CR-only lines, a "[" with
// no "]") never fails: what cannot be read as a section or key stays as an opaque line.
class IniFile {
public:
    using KeyValue = std::pair<std::string, std::string>;

    IniFile() = default;
    static IniFile parse(std::string_view text);
    std::string serialize() const;

    // --- Reading ---
    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    // GetPrivateProfileString: the trimmed value, or defaultValue when the key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    // GetPrivateProfileInt: optional sign and leading decimal digits ("12abc" gives 12, "abc"
    // gives 0); defaultValue when the key is missing or its value is empty.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // Integer text, non-zero is true.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // GetPrivateProfileSectionNames: every named section in file order.
    std::vector<std::string> sectionNames() const;
    // GetPrivateProfileSection: the key=value entries of the first matching section in order
    // (comments and blank lines left out; values as readString gives them).
    std::vector<KeyValue> sectionValues(std::string_view section) const;
    // The key names of sectionValues.
    std::vector<std::string> keyNames(std::string_view section) const;

    // --- Changing (in memory; see ProfileFile for the written-through form) ---
    // WritePrivateProfileString: updates the first matching key in place, or adds the key at the
    // end of its section, or appends the section at the end. CR and LF in the section, key or
    // value become spaces, so a value can never inject lines.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Removes every section of that name with all its lines. False when there was none.
    bool eraseSection(std::string_view section);
    // Removes every line of that key from the section that reads see. False when there was none.
    bool eraseKey(std::string_view section, std::string_view key);

    bool usesCrLf() const { return newline_ == "\r\n"; }
    // The index of the first line that is neither blank, a comment, a section nor a key, or
    // that holds control bytes: where damage starts. nullopt for a sound file.
    std::optional<std::size_t> firstUnreadableLine() const;
    bool empty() const { return lines_.empty(); }

    // --- Files ---
    // A missing file gives an empty IniFile; an unreadable one gives its Status.
    static platform::Result<IniFile> load(const std::filesystem::path& file);
    static platform::Result<IniFile> load(const platform::FileSystem& fs, std::string_view file);
    // Host files are replaced atomically (temporary file, fsync, rename); machine files are
    // written with WriteMode::Durable.
    platform::Status save(const std::filesystem::path& file) const;
    platform::Status save(platform::FileSystem& fs, std::string_view file) const;

private:
    struct Line {
        enum class Kind { Other, Section, Entry };
        std::string raw;         // the line as it stands in the file, without its line end
        std::string terminator;  // "\r\n", "\n", "\r" or "" for a last line without one
        Kind kind = Kind::Other;
        std::string name;   // section or key name, trimmed
        std::string value;  // entry value, trimmed (quotes still on)
    };
    struct Range {
        std::size_t header;  // index of the section line
        std::size_t end;     // one past the section's last line
    };

    static Line classify(std::string raw, std::string terminator);
    std::vector<Range> sectionsNamed(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const;
    const Line* findEntry(std::string_view section, std::string_view key) const;
    void appendLine(std::string raw);

    std::vector<Line> lines_;
    std::string bom_;
    std::string newline_ = "\r\n";
};

}  // namespace quorvel::core
