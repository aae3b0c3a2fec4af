// Parses arbitrary bytes as a registry export file. Whatever parses must survive being written
// again and parsed once more with every key, value, type and byte unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "backup/RegFileParser.h"
#include "backup/RegFileWriter.h"
#include "platform/RegistryNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::backup;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto parsed = regfile::parseFile(bytes);
    if (!parsed) return 0;

    std::vector<std::string> lines;
    for (const auto& key : parsed->keys) {
        std::string line = regfile::keyLine(quorvel::platform::rootKeyLongName(key.root), key.path);
        if (key.remove) line.insert(1, "-");
        lines.push_back(line);
        for (const auto& v : key.values) {
            if (v.value) {
                for (auto& l : regfile::valueLines(v.name, *v.value))
                    lines.push_back(l);
            } else {
                lines.push_back(
                    (v.name.empty() ? std::string("@") : '"' + regfile::escape(v.name) + '"') +
                    "=-");
            }
        }
    }
    auto again = regfile::parseFile(regfile::encodeFile(lines));
    if (!again || again->keys.size() != parsed->keys.size()) std::abort();
    for (std::size_t k = 0; k < parsed->keys.size(); ++k) {
        const auto& a = parsed->keys[k];
        const auto& b = again->keys[k];
        if (a.root != b.root || a.path != b.path || a.remove != b.remove ||
            a.values.size() != b.values.size())
            std::abort();
        for (std::size_t i = 0; i < a.values.size(); ++i) {
            if (a.values[i].name != b.values[i].name || a.values[i].value != b.values[i].value)
                std::abort();
        }
    }
    return 0;
}
