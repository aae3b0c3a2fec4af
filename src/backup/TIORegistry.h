#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Machine.h"
#include "platform/Status.h"

namespace quorvel::backup {

// The registry export component: collects keys and values of one machine's registry as the
// text of a "Windows Registry Editor Version 5.00" file, saves it, and writes such files back
// into the registry. Every value keeps its exact type and bytes. One instance per thread.
class TIORegistry {
public:
    explicit TIORegistry(platform::Machine& machine) : machine_(machine) {}

    // Empties the export text.
    void clear() { lines_.clear(); }

    // Appends a whole key with its values and all subkeys. rootName is a long root name
    // ("HKEY_LOCAL_MACHINE"); keyPath is relative to it and may start with a backslash. A key
    // that does not exist, or an unknown root, adds nothing. Returns whether anything was added.
    bool ExportRegistry(std::string_view rootName, std::string_view keyPath);
    // Appends one value of a key ("" is the default value); a missing value adds nothing.
    bool ExportRegistry(std::string_view rootName, std::string_view keyPath,
                        std::string_view valueName);

    // Lines of export text since the last clear (0 when nothing was exported).
    std::size_t exportLineCount() const { return lines_.size(); }
    // The file as save() writes it: UTF-16LE with byte-order mark.
    std::string fileBytes() const;
    // Writes the export text to a file (a header-only file when nothing was exported).
    platform::Status save(std::string_view fileName) const;

    // What an import may do. A backup only ever holds what a repair removed, so restoring one
    // puts keys and values back and never deletes.
    enum class Scope { Everything, PutBackOnly };

    // Reads a whole export file and writes every key and value in it into the registry.
    // A damaged file is refused before anything is written, and so is a file with a deletion
    // ("[-KEY]", "name"=-) when the scope is PutBackOnly. Keys or values that cannot be written
    // are passed over and reported together in the returned Status.
    platform::Status ImportRegistry(std::string_view fileName, Scope scope = Scope::Everything);
    // The same from the bytes of a file.
    platform::Status importBytes(std::string_view bytes, Scope scope = Scope::Everything);

private:
    // One "[key]" line, its values, and a blank line.
    void appendBlock(platform::RootKey root, const std::string& path,
                     const std::vector<platform::NamedRegValue>& values);
    void appendTree(platform::RootKey root, const std::string& path,
                    const platform::RegistryKey& key);

    platform::Machine& machine_;
    std::vector<std::string> lines_;
};

}  // namespace quorvel::backup
