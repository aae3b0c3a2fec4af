#include "RegCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "CliContext.h"
#include "platform/Registry.h"
#include "platform/RegistryNames.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::cli {
namespace {

using platform::NamedRegValue;
using platform::RegistryKey;
using platform::RegValue;
using platform::RootKey;
namespace regtype = platform::regtype;

struct KeyArgument {
    RootKey root;
    std::string longRoot;  // "HKEY_LOCAL_MACHINE"
    std::string path;      // below the root, as typed, without trailing backslashes
};

std::optional<KeyArgument> parseKey(std::string_view text) {
    auto parsed = platform::parseRootedKeyPath(text);
    if (!parsed) return std::nullopt;
    return KeyArgument{parsed->root, std::string(platform::rootKeyLongName(parsed->root)),
                       std::move(parsed->path)};
}

std::string hexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (const auto b : data)
        out += fmt::format("{:02X}", b);
    return out;
}

std::uint64_t littleEndian(const std::vector<std::uint8_t>& data, std::size_t bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = std::min(bytes, data.size()); i-- > 0;)
        v = (v << 8) | data[i];
    return v;
}

// The data column as reg.exe writes it.
std::string dataText(const RegValue& v) {
    switch (v.type) {
        case regtype::Sz:
        case regtype::ExpandSz:
            return v.asString().value_or("");
        case regtype::Dword:
        case regtype::DwordBigEndian:
            // reg.exe reads the four bytes as they are stored, for both types.
            return fmt::format("0x{:x}", littleEndian(v.data, 4));
        case regtype::Qword:
            return fmt::format("0x{:x}", littleEndian(v.data, 8));
        case regtype::MultiSz: {
            std::string out;
            const auto items = v.asMultiString().value_or(std::vector<std::string>{});
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (i) out += "\\0";
                out += items[i];
            }
            return out;
        }
        default:
            return hexBytes(v.data);
    }
}

void printValue(const NamedRegValue& v) {
    fmt::print("    {}    {}    {}\n", v.name.empty() ? "(Default)" : v.name,
               platform::regTypeName(v.value.type), dataText(v.value));
}

// Prints one key as reg.exe's query does; recursing prints every key below it in full.
void queryKey(const RegistryKey& key, const std::string& path, bool recurse, bool recursing,
              int depth) {
    const auto values = key.values();
    if (!values.empty() || recursing) fmt::print("{}\n", path);
    for (const auto& v : values)
        printValue(v);
    if (!values.empty() || recursing) fmt::print("\n");
    // A registry deeper than Windows allows (512 levels) can only be a loop.
    if (depth > 512) return;
    for (const auto& name : key.subKeyNames()) {
        const std::string subPath = path + "\\" + name;
        if (!recurse) {
            fmt::print("{}\n", subPath);
            continue;
        }
        if (auto sub = key.openSubKey(name)) queryKey(**sub, subPath, true, true, depth + 1);
    }
}

int query(CliContext& context, const std::string& keyText, const std::vector<std::string>& switches,
          bool recurseFlag) {
    bool recurse = recurseFlag;
    for (const auto& s : switches) {
        if (platform::text::iequals(s, "/s") || platform::text::iequals(s, "-s")) {
            recurse = true;
        } else {
            return fail("invalid switch \"" + s + "\" (reg query KEY [/s])");
        }
    }
    const auto key = parseKey(keyText);
    if (!key)
        return fail("invalid key name \"" + keyText +
                    "\": it must start with HKLM, HKCU, HKCR, HKU or HKCC");
    auto* machine = context.machine();
    if (!machine) return 1;
    auto opened = machine->registry().openKey(key->root, key->path);
    if (!opened) return fail("unable to find the specified registry key \"" + keyText + "\"");
    const std::string shown = key->path.empty() ? key->longRoot : key->longRoot + "\\" + key->path;
    fmt::print("\n");
    queryKey(**opened, shown, recurse, false, 0);
    return 0;
}

}  // namespace

void registerRegCommands(CLI::App& app, CliContext& context) {
    auto* reg = app.add_subcommand("reg", "Read the machine's registry");
    reg->require_subcommand(1);
    auto* q = reg->add_subcommand("query", "List a key's values and subkeys as reg.exe does");
    auto key = std::make_shared<std::string>();
    auto switches = std::make_shared<std::vector<std::string>>();
    auto recurse = std::make_shared<bool>(false);
    q->add_option("key", *key, "The key, e.g. HKLM\\Software\\Microsoft")->required();
    q->add_option("switches", *switches, "/s: every key below it too");
    q->add_flag("-s", *recurse, "Every key below it too (same as /s)");
    q->callback([&context, key, switches, recurse] {
        context.exitCode = query(context, *key, *switches, *recurse);
    });
}

}  // namespace quorvel::cli
