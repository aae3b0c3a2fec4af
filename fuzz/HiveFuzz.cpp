// Parses arbitrary bytes as a Wine hive, reads every key's values, and writes it back both ways.
// A hive read without problems, written with its own text, must read back without problems to
// the same keys and values, and write again to the same text (keys come out in the tree's
// order, so a file whose keys stood in another order is reordered once); the regenerated text
// must parse without problems.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/wineprefix/Hive.h"

namespace {

using quorvel::platform::FileTime;
using quorvel::platform::wineprefix::Hive;
using quorvel::platform::wineprefix::HiveKey;

std::shared_ptr<Hive> parsed(std::string text) {
    auto hive = std::make_shared<Hive>();
    hive->file = "fuzz.reg";
    hive->relativeTo = "REGISTRY\\Machine";
    hive->root = std::make_shared<HiveKey>();
    hive->root->name = "Machine";
    hive->hasSource = true;
    quorvel::platform::wineprefix::parseHive(*hive, std::move(text),
                                             FileTime::fromUnix(1700000000));
    return hive;
}

void readAll(const HiveKey& key) {
    for (const auto& value : key.values())
        (void)value.value.data.size();
    for (const auto& sub : key.subkeys)
        readAll(*sub);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvel::platform::wineprefix::HiveWriteMode;
    using quorvel::platform::wineprefix::writeHive;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto hive = parsed(text);
    readAll(*hive->root);
    const auto kept = writeHive(*hive, HiveWriteMode::KeepText);
    const auto regenerated = writeHive(*hive, HiveWriteMode::Regenerate);
    if (!hive->problem) {
        const auto reread = parsed(kept.text);
        if (reread->problem) std::abort();
        if (writeHive(*reread, HiveWriteMode::KeepText).text != kept.text) std::abort();
        if (writeHive(*reread, HiveWriteMode::Regenerate).text != regenerated.text) std::abort();
    }
    const auto again = parsed(regenerated.text);
    if (again->problem) std::abort();
    readAll(*again->root);
    return 0;
}
