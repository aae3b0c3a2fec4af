#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backup/BackupArchiveReader.h"
#include "backup/BackupArchiveWriter.h"
#include "backup/BackupRestorer.h"
#include "backup/BackupStore.h"
#include "backup/CategoryArchive.h"
#include "core/formats/IniFile.h"
#include "support/MachineBuilder.h"

namespace quorvel::backup {

using core::TimeSerial;
using platform::RegValue;
using platform::RootKey;

constexpr const char* kDir = "C:\\backups\\";
constexpr const char* kDesktop = "C:\\users\\tester\\Desktop\\App.lnk";
constexpr const char* kMenuFolder = "C:\\users\\tester\\Start Menu\\Old Folder";
constexpr const char* kMenu = "C:\\users\\tester\\Start Menu\\Old Folder\\App.lnk";
constexpr const char* kStartup = "C:\\users\\tester\\Startup\\helper.lnk";
constexpr const char* kRun = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The folder of the test executable, beside languages/ and data/.
inline std::filesystem::path programDir() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

// A machine with the shortcuts, startup file and registry items the repairs remove, its backup
// store (in C:\backups unless given) and a restorer.
class BackupFixture : public ::testing::Test {
protected:
    BackupFixture() = default;
    // The store in another folder, which the machine does not have yet.
    explicit BackupFixture(std::string_view storeDir)
        : store{machine->fileSystem(), std::string(storeDir), '.'} {}

    static std::unique_ptr<platform::Machine> build(testing::MachineBuilder& b) {
        b.file(kDesktop, "desktop link");
        b.file(kMenu, "menu link");
        b.file(kStartup, "startup link");
        b.value(std::string("HKCU") + kRun, "Tool", RegValue::string("C:\\tool.exe"));
        b.value(std::string("HKCU") + kRun, "Other",
                RegValue::string("%X%\\o.exe", platform::regtype::ExpandSz));
        b.value("HKCU\\Software\\Bad CLSID\\Sub", "", RegValue::string("gone.dll"));
        b.folder(kDir);
        return b.build();
    }

    platform::FileSystem& fs() { return machine->fileSystem(); }

    platform::RegistryKeyPtr writableKey(RootKey root, std::string_view path) {
        auto key = machine->registry().openKey(root, path, platform::RegAccess::ReadWrite);
        EXPECT_TRUE(key) << path;
        return key ? std::move(*key) : nullptr;
    }

    BackupArchiveReader open(std::string_view path) {
        auto reader = BackupArchiveReader::load(fs(), path);
        EXPECT_TRUE(reader) << reader.status().message();
        return std::move(reader).value();
    }

    // The store's index as it is on disk (empty when there is none).
    core::IniFile index() {
        auto ini = core::IniFile::load(fs(), store.indexPath());
        return ini ? *ini : core::IniFile();
    }

    static core::IniFile indexOf(const BackupArchiveReader& reader) {
        auto text = reader.read("quorvel.ini");
        EXPECT_TRUE(text);
        return core::IniFile::parse(text ? *text : std::string());
    }

    // Writes archive bytes whose quorvel.ini is given as text, as another tool might.
    void writeArchive(std::string_view path, std::string_view indexText,
                      const std::vector<std::pair<std::string, std::string>>& files = {}) {
        BackupArchiveWriter writer;
        for (const auto& [name, contents] : files)
            ASSERT_TRUE(writer.add(name, contents));
        ASSERT_TRUE(writer.add("quorvel.ini", std::string(indexText)));
        ASSERT_TRUE(writer.save(fs(), path));
    }

    std::vector<std::string> namesIn(std::string_view folder) {
        std::vector<std::string> names;
        for (const auto& f : fs().find(std::string(folder) + "\\*.*"))
            names.push_back(f.name);
        return names;
    }

    testing::MachineBuilder builder;
    std::unique_ptr<platform::Machine> machine = build(builder);
    BackupStore store{machine->fileSystem(), kDir, '.'};
    BackupRestorer restorer{*machine, store};
};

}  // namespace quorvel::backup
