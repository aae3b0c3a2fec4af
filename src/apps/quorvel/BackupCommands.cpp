#include "BackupCommands.h"

#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "CliContext.h"
#include "EngineSession.h"
#include "JsonText.h"
#include "backup/BackupEntries.h"
#include "backup/BackupStore.h"
#include "backup/TIORegistry.h"
#include "core/formats/HostFile.h"
#include "platform/RegistryNames.h"

namespace quorvel::cli {
namespace {

// Refuses to write over hives that could not be read completely.
bool hivesReadable(platform::wineprefix::WinePrefixMachine& machine) {
    const auto problems = machine.hiveProblems();
    for (const auto& p : problems)
        fmt::print(stderr, "quorvel: {}:{}: {}\n", p.file.string(), p.line, p.text);
    return problems.empty();
}

int listBackups(CliContext& cli, bool json) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    EngineSession session(*machine);
    const backup::BackupStore store(machine->fileSystem(), session.globals.BackupsDir);
    if (const auto s = store.indexStatus(); !s) return fail(s.message());
    const auto rows = backup::ListBackups(store, session.language);
    if (json) {
        fmt::print("[");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& r = rows[i];
            fmt::print(
                "{}\n  {{\"id\": {}, \"type\": {}, \"caption\": {}, \"date\": {}, \"size\": {}, "
                "\"sizeText\": {}}}",
                i == 0 ? "" : ",", jsonString(r.section), jsonString(r.type), jsonString(r.caption),
                jsonString(r.dateText), r.size, jsonString(r.sizeText));
        }
        fmt::print("{}]\n", rows.empty() ? "" : "\n");
        return 0;
    }
    for (const auto& r : rows)
        fmt::print("{}\t{}\t{}\t{}\t{}\n", r.section, r.dateText, r.type, r.caption, r.sizeText);
    fmt::print("{} backup{} in {}\n", rows.size(), rows.size() == 1 ? "" : "s", store.backupsDir());
    return 0;
}

int restoreBackup(CliContext& cli, const std::string& id) {
    auto* machine = cli.machineForWriting();
    if (!machine) return 1;
    if (!hivesReadable(*machine))
        return fail("the machine's registry could not be read completely");
    EngineSession session(*machine);
    const backup::BackupStore store(machine->fileSystem(), session.globals.BackupsDir);
    const auto restored = backup::RestoreBackup(*machine, store, id);
    // Whatever was put back reaches the hives, also when part of the backup failed.
    const auto flushed = machine->registry().flush();
    if (!restored) return fail("restoring backup " + id + " failed: " + restored.message());
    if (!flushed) return fail("the registry could not be saved: " + flushed.message());
    fmt::print("Backup {} restored.\n", id);
    return 0;
}

int deleteBackup(CliContext& cli, const std::string& id) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    EngineSession session(*machine);
    backup::BackupStore store(machine->fileSystem(), session.globals.BackupsDir);
    if (const auto s = backup::DeleteBackup(store, id); !s)
        return fail("deleting backup " + id + " failed: " + s.message());
    fmt::print("Backup {} deleted.\n", id);
    return 0;
}

int exportKey(CliContext& cli, const std::string& key, const std::string& file, bool force) {
    auto* machine = cli.machine();
    if (!machine) return 1;
    const auto sep = key.find('\\');
    const std::string rootText = key.substr(0, sep);
    const auto root = platform::parseRootKeyName(rootText);
    if (!root) return fail("unknown registry root \"" + rootText + "\"");
    const std::string path = sep == std::string::npos ? std::string() : key.substr(sep + 1);
    // As Windows' reg export asks first, an existing file is kept unless told otherwise.
    std::error_code ec;
    if (!force &&
        std::filesystem::symlink_status(file, ec).type() != std::filesystem::file_type::not_found)
        return fail("\"" + file + "\" already exists; nothing was written (--force overwrites it)");
    backup::TIORegistry exporter(*machine);
    if (!exporter.ExportRegistry(platform::rootKeyLongName(*root), path))
        return fail("the key \"" + key + "\" does not exist");
    if (const auto s = core::WriteHostFileAtomic(file, exporter.fileBytes()); !s)
        return fail("cannot write \"" + file + "\": " + s.message());
    return 0;
}

int importFile(CliContext& cli, const std::string& file) {
    auto* machine = cli.machineForWriting();
    if (!machine) return 1;
    if (!hivesReadable(*machine))
        return fail("the machine's registry could not be read completely");
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail("cannot read \"" + file + "\"");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    backup::TIORegistry importer(*machine);
    const auto imported = importer.importBytes(bytes.str());
    const auto flushed = machine->registry().flush();
    if (!imported) return fail("importing \"" + file + "\" failed: " + imported.message());
    if (!flushed) return fail("the registry could not be saved: " + flushed.message());
    return 0;
}

}  // namespace

void registerBackupCommands(CLI::App& app, CliContext& context) {
    auto* backups = app.add_subcommand("backups", "The backup store: list, restore, delete");
    backups->require_subcommand(1);

    auto* list = backups->add_subcommand("list", "List the backups, newest first");
    auto json = std::make_shared<bool>(false);
    list->add_flag("--json", *json, "Print the backups as a JSON array");
    list->callback([&context, json] { context.exitCode = listBackups(context, *json); });

    auto id = std::make_shared<std::string>();
    auto* restore = backups->add_subcommand("restore", "Put a backup back into the machine");
    restore->add_option("id", *id, "The backup's id (its index section)")->required();
    restore->callback([&context, id] { context.exitCode = restoreBackup(context, *id); });

    auto* remove = backups->add_subcommand("delete", "Delete a backup and its files");
    remove->add_option("id", *id, "The backup's id (its index section)")->required();
    remove->callback([&context, id] { context.exitCode = deleteBackup(context, *id); });

    CLI::App* reg = nullptr;
    try {
        reg = app.get_subcommand("reg");
    } catch (const CLI::OptionNotFound&) {
        reg = app.add_subcommand("reg", "Read the machine's registry");
        reg->require_subcommand(1);
    }
    auto key = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    auto* exp = reg->add_subcommand("export", "Write a key with its subkeys as a .reg file");
    exp->add_option("key", *key, "The key, e.g. HKLM\\Software\\Microsoft")->required();
    exp->add_option("file", *file, "The .reg file to write")->required();
    auto force = std::make_shared<bool>(false);
    exp->add_flag("--force", *force, "Overwrite the file when it exists");
    exp->callback([&context, key, file, force] {
        context.exitCode = exportKey(context, *key, *file, *force);
    });

    auto* imp = reg->add_subcommand("import", "Write every key and value of a .reg file");
    imp->add_option("file", *file, "The .reg file to read")->required();
    imp->callback([&context, file] { context.exitCode = importFile(context, *file); });
}

}  // namespace quorvel::cli
