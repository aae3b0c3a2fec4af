#include <gtest/gtest.h>

#include "core/files/FolderIndex.h"
#include "support/MachineBuilder.h"

namespace quorvel::core {
namespace {

using quorvel::testing::MachineBuilder;

// The index must answer every question exactly as the file system it lists does, whichever way
// the path is written; it only answers from memory.
TEST(FolderIndexTest, AnswersAsTheFileSystemDoes) {
    MachineBuilder builder;
    builder.file("C:\\Program Files\\Vendor\\App.exe", "MZ")
        .file("C:\\Program Files\\Vendor\\app.EXE", "MZ")  // a twin that differs in case only
        .folder("C:\\Program Files\\Vendor\\Tools")
        .file("C:\\boot.ini", "x")
        .symlink("C:\\Program Files\\Vendor\\Out", "/nonexistent-quorvel-target");
    const auto machine = builder.build();
    const auto& fs = machine->fileSystem();
    const FolderIndex index(fs);
    const char* paths[] = {
        "C:\\Program Files\\Vendor\\App.exe",
        "C:\\PROGRAM FILES\\vendor\\APP.EXE",
        "C:\\Program Files\\Vendor\\app.EXE",
        "C:\\Program Files\\Vendor\\Tools",
        "C:\\Program Files\\Vendor\\tools",
        "C:\\Program Files\\Vendor\\Missing.exe",
        "C:\\Program Files\\Vendor\\Out",
        "C:\\Program Files\\Gone\\App.exe",
        "C:\\boot.ini",
        "C:\\BOOT.INI",
        "C:\\PROGRA~1\\Vendor\\App.exe",
        "C:\\Program Files\\Vendor\\..\\Vendor\\App.exe",
        "C:\\Program Files\\Vendor\\App.exe.",
        "C:\\Program Files\\Vendor\\App.exe ",
        "C:\\Program Files\\Vendor\\A*.exe",
        "C:/Program Files/Vendor/App.exe",
        "Q:\\App.exe",
        "App.exe",
        "C:\\",
        "C:\\Program Files\\Vendor\\Tools\\",
    };
    for (int round = 0; round < 2; ++round) {  // the second round answers from the listings
        for (const char* path : paths) {
            SCOPED_TRACE(path);
            EXPECT_EQ(index.exists(path, false), fs.exists(path));
            EXPECT_EQ(index.exists(path, true), fs.isFile(path));
        }
    }
}

}  // namespace
}  // namespace quorvel::core
