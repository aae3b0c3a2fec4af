// Reads arbitrary bytes as a PE image and, on its own, as a version resource, looking up what
// version readers ask for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/pe/PeVersionReader.h"

namespace {

void lookUp(const quorvel::platform::VersionInfo& info) {
    (void)info.firstTranslationString("FileVersion");
    for (const auto& t : info.translations)
        (void)info.string(t.tableKey(), "CompanyName");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace pe = quorvel::platform::pe;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto info = pe::readVersionInfo(bytes)) lookUp(*info);
    if (const auto info = pe::parseVersionResource(bytes)) lookUp(*info);
    return 0;
}
