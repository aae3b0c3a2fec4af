// Reads arbitrary bytes as a shortcut. A link that reads must give its targets (with "." and ".."
// folded out for good), and writing it must give bytes that read back and write again to the
// very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/paths/ShortcutTarget.h"
#include "platform/shelllink/ShellLinkFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace sl = quorvel::platform::shelllink;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto link = sl::parse(bytes);
    if (!link) return 0;
    (void)link->targetPath();
    (void)link->idListPath();
    (void)link->environmentTarget();
    // Folding "." and ".." out of a stored path is done once and for all.
    for (const std::string& path : {link->targetPath(), link->relativePath.value_or("")}) {
        const std::string folded = quorvel::core::FoldPathDots(path);
        if (quorvel::core::FoldPathDots(folded) != folded) std::abort();
    }

    const std::string written = sl::serialize(*link);
    auto back = sl::parse(written);
    if (!back) std::abort();
    if (sl::serialize(*back) != written) std::abort();

    back->setTarget("C:\\Fuzz\\target.exe");
    auto moved = sl::parse(sl::serialize(*back));
    if (!moved || moved->targetPath() != "C:\\Fuzz\\target.exe") std::abort();
    return 0;
}
