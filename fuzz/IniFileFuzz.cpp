// Parses arbitrary bytes as an INI file, then reads, changes and serialises it. The text must
// survive a parse/serialise round trip unchanged, and a written value must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/formats/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvel::core::IniFile;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(text);
    if (ini.serialize() != text) std::abort();

    for (const std::string& section : ini.sectionNames()) {
        for (const auto& [key, value] : ini.sectionValues(section)) {
            (void)ini.readInteger(section, key, 0);
        }
    }
    const std::string section = ini.sectionNames().empty() ? "s" : ini.sectionNames().front();
    ini.writeString(section, "FuzzKey", "value");
    const IniFile again = IniFile::parse(ini.serialize());
    if (again.readString(section, "FuzzKey") != "value") std::abort();
    ini.eraseKey(section, "FuzzKey");
    ini.eraseSection(section);
    (void)ini.serialize();
    return 0;
}
