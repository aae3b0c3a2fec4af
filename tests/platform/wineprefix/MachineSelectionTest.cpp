#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/wineprefix/MachineSelection.h"
#include "support/MachineBuilder.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace quorvel::platform::wineprefix;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;

namespace {

// A home folder and a bundled demo machine to choose between.
struct Homes {
    TempDir home;
    MachineBuilder demo;

    MachineSelectionInputs inputs() const {
        MachineSelectionInputs in;
        in.home = home.path().string();
        in.demoSource = demo.prefix();
        return in;
    }
};

}  // namespace

TEST(MachineSelection, OptionThenWinePrefixThenHomeWineThenDemo) {
    Homes h;
    auto in = h.inputs();
    in.machineOption = "/opt/given";
    in.winePrefix = "/opt/wineprefix";
    fs::create_directories(h.home.path() / ".wine");
    EXPECT_EQ(selectMachine(in)->prefix, "/opt/given");
    EXPECT_EQ(selectMachine(in)->source, MachineSource::Option);

    in.machineOption.reset();
    EXPECT_EQ(selectMachine(in)->prefix, "/opt/wineprefix");
    in.winePrefix = "";  // an empty WINEPREFIX counts as unset
    EXPECT_EQ(selectMachine(in)->prefix, h.home.path() / ".wine");
    EXPECT_EQ(selectMachine(in)->source, MachineSource::HomeWine);

    fs::remove(h.home.path() / ".wine");
    const auto demo = selectMachine(in);
    ASSERT_TRUE(demo) << demo.status().message();
    EXPECT_EQ(demo->source, MachineSource::Demo);
    EXPECT_EQ(demo->prefix, h.home.path() / ".local/share/quorvel/demo-machine");
}

TEST(MachineSelection, DemoIsCopiedOnceAndTheBundledCopyNeverChanges) {
    Homes h;
    TempDir data;
    auto in = h.inputs();
    in.xdgDataHome = data.path().string();
    const auto choice = selectMachine(in);
    ASSERT_TRUE(choice) << choice.status().message();
    const fs::path copy = data.path() / "quorvel" / "demo-machine";
    EXPECT_EQ(choice->prefix, copy);
    EXPECT_TRUE(fs::is_symlink(copy / "dosdevices" / "c:"));
    EXPECT_EQ(fs::read_symlink(copy / "dosdevices" / "c:"), "../drive_c");
    EXPECT_TRUE(fs::is_directory(copy / "dosdevices" / "c:" / "windows"));

    // Work on the copy stays in the copy, and is kept by the next selection.
    std::ofstream(copy / "drive_c" / "mine.txt") << "x";
    ASSERT_TRUE(selectMachine(in));
    EXPECT_TRUE(fs::exists(copy / "drive_c" / "mine.txt"));
    EXPECT_FALSE(fs::exists(h.demo.prefix() / "drive_c" / "mine.txt"));

    // A fresh copy replaces it whole, and its files keep their times (old temporary files of
    // the demo machine must stay old).
    const fs::path old = h.demo.prefix() / "drive_c" / "old.tmp";
    std::ofstream(old) << "x";
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    fs::last_write_time(old, oldTime);
    ASSERT_TRUE(copyDemoMachine(in.demoSource, copy));
    EXPECT_FALSE(fs::exists(copy / "drive_c" / "mine.txt"));
    EXPECT_TRUE(fs::exists(copy / "system.reg"));
    EXPECT_EQ(fs::last_write_time(copy / "drive_c" / "old.tmp"), oldTime);
    for (const auto& e : fs::directory_iterator(data.path() / "quorvel"))
        EXPECT_EQ(e.path().filename(), "demo-machine");  // no staging folders left
}

TEST(MachineSelection, MissingDemoAndRelativeDataHomeAreHandled) {
    Homes h;
    auto in = h.inputs();
    in.xdgDataHome = "relative/dir";  // ignored, as the XDG rules say
    EXPECT_EQ(demoMachineFolder(in), h.home.path() / ".local/share/quorvel/demo-machine");
    in.demoSource = h.home.path() / "no-demo-here";
    const auto r = selectMachine(in);
    ASSERT_FALSE(r);
    EXPECT_NE(r.status().message().find("demo machine is missing"), std::string::npos);
    MachineSelectionInputs nothing;
    EXPECT_FALSE(selectMachine(nothing));
}

TEST(MachineSelection, ReadsTheProcessEnvironment) {
    quorvel::testing::ScopedEnv prefix("WINEPREFIX", "/somewhere/prefix");
    const auto in = MachineSelectionInputs::fromProcess(std::nullopt, "/demo");
    EXPECT_EQ(selectMachine(in)->prefix, "/somewhere/prefix");
    EXPECT_EQ(MachineSelectionInputs::fromProcess(fs::path("/cli"), "/demo").machineOption, "/cli");
}
