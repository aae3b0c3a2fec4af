#include <gtest/gtest.h>

#include "core/environment/BuiltContext.h"
#include "core/environment/HiddenText.h"
#include "core/environment/OsName.h"
#include "core/environment/ProtectedFolders.h"
#include "core/environment/SystemPaths.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::core {
namespace {

using platform::RegValue;
using quorvel::testing::MachineBuilder;
using testsupport::BuiltContext;

constexpr const char* kShellFoldersUser =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kShellFoldersCommon =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(InitGlobals, FreshMachineFolders) {
    MachineBuilder b;
    BuiltContext c(b);
    const auto& g = c.globals;
    EXPECT_EQ(g.OsName, "vista");  // 6.1
    EXPECT_EQ(g.WinDir, "C:\\windows\\");
    EXPECT_EQ(g.TempDir, "C:\\users\\tester\\Temp\\");
    EXPECT_EQ(g.AppData, "C:\\users\\tester\\AppData\\Roaming\\");
    for (const std::string* f :
         {&g.AppData, &g.ProgramFiles, &g.CommonFiles, &g.WinDir, &g.TempDir, &g.SystemDir,
          &g.AllUsersProfile, &g.UserProfile, &g.UserStartup, &g.CommonStartup, &g.UserStartMenu,
          &g.CommonStartMenu, &g.UserPrograms, &g.CommonPrograms}) {
        ASSERT_FALSE(f->empty());
        EXPECT_EQ(f->back(), '\\') << *f;
        EXPECT_EQ(f->find("\\\\"), std::string::npos) << *f;
    }
    EXPECT_TRUE(platform::text::iendsWith(g.UserStartup, "\\Startup\\")) << g.UserStartup;
    // The three appended search folders come last, in this order.
    ASSERT_GE(g.SearchPaths.size(), 3U);
    const std::vector<std::string> tail(g.SearchPaths.end() - 3, g.SearchPaths.end());
    EXPECT_EQ(tail, (std::vector<std::string>{g.WinDir, g.SystemDir,
                                              g.ProgramFiles + "Internet Explorer"}));
    // The settings step ran last and had the folders.
    EXPECT_EQ(g.BackupsDir, g.AppData + "QuorvelSoft\\Quorvel Utilities\\Backups\\");
    EXPECT_EQ(HostFolderAsWindowsPath("/opt/quorvel/bin"), "Z:\\opt\\quorvel\\bin\\");
}

TEST(InitGlobals, FixedDrivesShortTempAndShellFolderFallbacks) {
    MachineBuilder b;
    quorvel::testing::TempDir d, e;
    b.drive('D', d.path(), platform::DriveType::CdRom)
        .drive('E', e.path(), platform::DriveType::Fixed);
    b.folder("C:\\users\\tester\\Long Temp Folder");
    b.value("HKCU\\Environment", "TEMP", RegValue::string("C:\\users\\tester\\LONGTE~1"));
    // The user's key is gone; the common key lacks "Common Programs" and has an empty
    // "Common Start Menu".
    b.removeKey(kShellFoldersUser).removeKey(kShellFoldersCommon);
    b.value(kShellFoldersCommon, "Common Startup", RegValue::string("C:\\Elsewhere\\Startup"));
    b.value(kShellFoldersCommon, "Common Start Menu", RegValue::string(""));
    BuiltContext c(b);
    const auto& g = c.globals;
    EXPECT_EQ(g.FixedDrives.rfind(";C:\\:;E:\\:", 0), 0U) << g.FixedDrives;  // no CD drive
    EXPECT_EQ(g.FixedDrives.find("D:"), std::string::npos) << g.FixedDrives;
    EXPECT_EQ(g.TempDir, "C:\\users\\tester\\Long Temp Folder\\");
    EXPECT_EQ(g.UserStartup, g.UserProfile + "Start Menu\\Programs\\Startup\\");
    EXPECT_EQ(g.UserStartMenu, g.UserProfile + "Start Menu\\");
    EXPECT_EQ(g.UserPrograms, g.UserProfile + "Start Menu\\Programs\\");
    EXPECT_EQ(g.CommonStartup, "C:\\Elsewhere\\Startup\\");
    EXPECT_EQ(g.CommonStartMenu, g.AllUsersProfile + "Start Menu\\");
    EXPECT_EQ(g.CommonPrograms, g.AllUsersProfile + "Start Menu\\Programs\\");
}

// The machine with some environment variables taken away (Wine always derives TEMP and windir,
// so a real prefix cannot lack them).
class WithoutVariables final : public platform::Machine, public platform::Environment {
public:
    WithoutVariables(platform::Machine& inner, std::vector<std::string> hidden)
        : inner_(inner), hidden_(std::move(hidden)) {}
    platform::Registry& registry() override { return inner_.registry(); }
    platform::FileSystem& fileSystem() override { return inner_.fileSystem(); }
    platform::Environment& environment() override { return *this; }
    platform::Shell& shell() override { return inner_.shell(); }
    platform::InternetCache& internetCache() override { return inner_.internetCache(); }
    platform::Result<platform::WriteLockPtr> lockForWriting(
        const platform::LockWait& wait) override {
        return inner_.lockForWriting(wait);
    }
    std::string displayName() const override { return inner_.displayName(); }
    std::string userSid() const override { return env().userSid(); }

    std::optional<std::string> variable(std::string_view name) const override {
        for (const auto& h : hidden_)
            if (platform::text::iequals(h, name)) return std::nullopt;
        return env().variable(name);
    }
    platform::OsVersion version() const override { return env().version(); }
    std::string windowsDirectory() const override { return env().windowsDirectory(); }
    std::string systemDirectory() const override { return env().systemDirectory(); }
    std::vector<std::string> logicalDrives() const override { return env().logicalDrives(); }
    platform::DriveType driveType(std::string_view root) const override {
        return env().driveType(root);
    }
    std::string longPathName(std::string_view p) const override { return env().longPathName(p); }
    std::string userName() const override { return env().userName(); }

private:
    const platform::Environment& env() const { return inner_.environment(); }
    platform::Machine& inner_;
    std::vector<std::string> hidden_;
};

TEST(InitGlobals, MissingVariablesLeaveFoldersEmptyNotDriveRoot) {
    MachineBuilder b;
    auto real = b.build();
    WithoutVariables machine(*real, {"TEMP", "windir", "ProgramFiles"});
    quorvel::testing::TempDir programDir;
    TGlobalVars g;
    LanguageTable language;
    InitGlobals(machine, programDir.path(), g, language);
    // A lone "\" would name the current drive's root, where cleaners would then delete.
    EXPECT_EQ(g.TempDir, "");
    EXPECT_EQ(g.WinDir, "");
    EXPECT_EQ(g.ProgramFiles, "");
    EXPECT_EQ(g.SystemDir, "C:\\windows\\system32\\");
    for (const auto& entry : g.SearchPaths)
        EXPECT_NE(entry, "\\");
    EXPECT_NE(g.SearchPaths.back(), "Internet Explorer");
    // No protected folder may turn into a relative name.
    for (const auto& folder : ProtectedFolders::collect(machine, g))
        EXPECT_EQ(folder.substr(1, 2), ":\\") << folder;
}

TEST(SplitSearchPath, EmptyPiecesKeptTrailingSeparatorDropped) {
    using List = std::vector<std::string>;
    EXPECT_EQ(SplitSearchPath("C:\\A;;C:\\B;"), (List{"C:\\A", "", "C:\\B"}));
    EXPECT_EQ(SplitSearchPath(";C:\\A"), (List{"", "C:\\A"}));
    EXPECT_EQ(SplitSearchPath(";"), (List{""}));
    EXPECT_TRUE(SplitSearchPath("").empty());
}

TEST(OsName, RepresentativeVersionsAndTheUnknownFallback) {
    const std::pair<platform::OsVersion, const char*> rows[] = {
        {{4, 0, 950, 1, ""}, "95"},  {{4, 0, 1381, 2, ""}, "nt4.0"},
        {{5, 1, 2600, 2, ""}, "xp"}, {{6, 3, 9600, 2, ""}, "vista"},
        {{5, 2, 3790, 2, ""}, ""},   {{10, 0, 19045, 2, ""}, ""}};
    for (const auto& [version, name] : rows)
        EXPECT_EQ(OsNameFor(version), name) << version.major << "." << version.minor;
}

TEST(HiddenText, DecodesWhatWasEncodedAndRejectsDamage) {
    EXPECT_EQ(EncodeHidden("Quorvel Utilities").find("Quorvel"), std::string::npos);
    EXPECT_EQ(DecodeHidden(EncodeHidden("any text, longer than the key")),
              "any text, longer than the key");
    EXPECT_EQ(DecodeHidden(EncodeHidden("ab") + "7"), "ab");  // a trailing odd digit is ignored
    std::string lower = EncodeHidden("Quorvel");
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(DecodeHidden(lower), "Quorvel");
    for (const char* damaged : {"", "4", "zz41"})
        EXPECT_EQ(DecodeHidden(damaged), "") << damaged;
}

}  // namespace
}  // namespace quorvel::core
