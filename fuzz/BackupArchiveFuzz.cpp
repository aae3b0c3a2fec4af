// Opens arbitrary bytes as a backup archive and reads every entry: any outcome but a crash, a
// hang or an unbounded allocation. Names that could leave the extraction folder are never safe.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backup/BackupArchiveNames.h"
#include "backup/BackupArchiveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::backup;
    auto reader =
        BackupArchiveReader::fromBytes(std::string(reinterpret_cast<const char*>(data), size));
    if (!reader) return 0;
    for (const auto& name : reader->entryNames()) {
        auto contents = reader->read(name);
        if (contents && contents->size() > kMaxEntrySize) std::abort();
        if (isSafeEntryName(name) && (name.find_first_of("/\\:") != std::string::npos ||
                                      name.find("..") != std::string::npos))
            std::abort();
    }
    return 0;
}
