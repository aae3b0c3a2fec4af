// Reads arbitrary bytes as a compressed data container. Whatever the bytes, the reader returns
// either lines with a good status or no lines with a failure, within the payload limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/formats/CompressedData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::core;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CompressedLines result = DecodeCompressedLines(bytes);
    if (!result.status && !result.lines.empty()) std::abort();

    const auto payload = InflateContainer(bytes, 1 << 20);
    if (payload && CompressPayload(*payload).empty()) std::abort();
    return 0;
}
