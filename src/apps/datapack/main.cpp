// datapack: packs a readable UTF-8 text file into the compressed data container of the
// program's .dat files, and unpacks any container for review.
//
//   datapack pack SRC.txt OUT.dat      lines of SRC (LF or CR LF) become CR LF lines in OUT
//   datapack unpack IN.dat [OUT.txt]   the payload as stored, to OUT or standard output
//
// Exit code 0 on success, 1 on any error (with a message on standard error).

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "core/formats/CompressedData.h"
#include "core/formats/HostFile.h"
#include "platform/text/Unicode.h"

namespace {

using quorvel::platform::Result;
using quorvel::platform::Status;
namespace core = quorvel::core;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

int fail(const std::string& message) {
    std::cerr << "datapack: " << message << '\n';
    return 1;
}

int pack(const std::filesystem::path& source, const std::filesystem::path& target) {
    Result<std::string> text = core::ReadHostFile(source);
    if (!text) return fail(text.status().message());
    std::string_view body = *text;
    if (body.substr(0, kUtf8Bom.size()) == kUtf8Bom) body.remove_prefix(kUtf8Bom.size());
    if (!quorvel::platform::text::isValidUtf8(body)) {
        return fail(source.string() + ": not UTF-8 text");
    }
    const Status written =
        core::WriteHostFileAtomic(target, core::CompressLines(core::SplitPayloadLines(body)));
    return written ? 0 : fail(written.message());
}

int unpack(const std::filesystem::path& source, const std::filesystem::path& target) {
    Result<std::string> bytes = core::ReadHostFile(source);
    if (!bytes) return fail(bytes.status().message());
    Result<std::string> payload = core::InflateContainer(*bytes);
    if (!payload) return fail(source.string() + ": " + payload.status().message());
    if (target.empty()) {
        std::fwrite(payload->data(), 1, payload->size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : fail("cannot write to standard output");
    }
    const Status written = core::WriteHostFileAtomic(target, *payload);
    return written ? 0 : fail(written.message());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Packs and unpacks the program's compressed .dat data files", "datapack"};
    app.require_subcommand(1);

    std::string packSource, packTarget;
    CLI::App* packCommand = app.add_subcommand("pack", "Pack a UTF-8 text file into a .dat file");
    packCommand->add_option("source", packSource, "Readable source (.txt)")->required();
    packCommand->add_option("target", packTarget, "Container to write (.dat)")->required();

    std::string unpackSource, unpackTarget;
    CLI::App* unpackCommand =
        app.add_subcommand("unpack", "Write the payload of a .dat file to a file or stdout");
    unpackCommand->add_option("source", unpackSource, "Container to read (.dat)")->required();
    unpackCommand->add_option("target", unpackTarget, "Text file to write (default: stdout)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 1;
    }
    if (packCommand->parsed()) return pack(packSource, packTarget);
    return unpack(unpackSource, unpackTarget);
}
