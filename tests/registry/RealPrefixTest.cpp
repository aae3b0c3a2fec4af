// The registry scan on a prefix made by Wine's own wineboot: every finding there was studied; the
// raw list below is what the checks report, and registry.dat keeps every one of them out (each is
// a system registration that must stay). A new entry in the raw list is a false positive to fix.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/paths/PathUtils.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "registry/RegScan.h"
#include "registry/ScanFixture.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace {

namespace qt = quorvel::testing;
namespace registry = quorvel::registry;
namespace core = quorvel::core;
using quorvel::platform::wineprefix::WinePrefixMachine;

class FreshWinePrefix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qt::WineTools::available()) {
            skip_ = "wine is not installed";
            return;
        }
        temp_ = std::make_unique<qt::TempDir>();
        if (auto error = qt::WineTools::makePrefix(temp_->path() / "prefix")) {
            skip_ = "wineboot failed: " + *error;
        }
    }
    static void TearDownTestSuite() { temp_.reset(); }

    void SetUp() override {
        if (!skip_.empty()) GTEST_SKIP() << skip_;
    }

    // "ROOT\key [value]" of every finding of a whole scan.
    static std::vector<std::string> Scan(bool withIgnoreLists) {
        auto machine = WinePrefixMachine::open(temp_->path() / "prefix");
        if (!machine) {
            ADD_FAILURE() << machine.status().message();
            return {};
        }
        core::TGlobalVars globals;
        core::LanguageTable language;
        core::InitGlobals(**machine, qt::ScanFixture::programDir(), globals, language);
        core::ProtectedFolders protectedFolders;
        const core::Context context{**machine, globals, language, protectedFolders};
        registry::TGlobalReg lists;
        if (withIgnoreLists) registry::LoadIgnoreLists(context, lists);

        core::HeadlessUiBridge bridge;
        core::StatusSink status;
        registry::RegFindings findings;
        registry::TRegScan scan(findings, status, context, bridge, lists);
        scan.start();
        scan.wait();
        EXPECT_FALSE(scan.failed());

        std::vector<std::string> shown;
        for (const auto& f : findings) {
            shown.push_back(core::RootKeyName(f.RootKey) + f.KeyPath + " [" + f.ValueName + "]");
        }
        return shown;
    }

    static inline std::string skip_;
    static inline std::unique_ptr<qt::TempDir> temp_;
};

TEST_F(FreshWinePrefix, ReportsOnlyTheStudiedSystemRegistrations) {
    const std::vector<std::string> expected = {
        // Wine registers the General MIDI set's path; the set is not installed.
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectMusic [GMFilePath]",
        // Empty until a program registers itself for Default Programs.
        "HKEY_LOCAL_MACHINE\\software\\Registered Applications []",
        // The class of all files, empty until a shell extension registers there.
        "HKEY_CLASSES_ROOT\\* []",
        // Raster fonts that Wine serves from its own font folder.
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts [Courier]",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts [MS Sans Serif]",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts [MS Serif]",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts [Small Fonts]",
        // The .NET font cache service, whose program comes with the framework.
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\FontCache3.0.0.0 [ImagePath]",
    };
    EXPECT_EQ(Scan(false), expected);
    // The shipped exclusions leave nothing to repair.
    EXPECT_EQ(Scan(true), std::vector<std::string>{});
}

}  // namespace
