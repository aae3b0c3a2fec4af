#include "ScanFixture.h"

namespace {

namespace qt = quorvel::testing;
namespace registry = quorvel::registry;
namespace platform = quorvel::platform;
using platform::RegValue;
using platform::RootKey;
using registry::RegFindings;

constexpr const char* kBroken = "{11111111-1111-1111-1111-111111111111}";
constexpr const char* kGood = "{22222222-2222-2222-2222-222222222222}";
constexpr const char* kMissing = "{99999999-9999-9999-9999-999999999999}";

class ComChecks : public qt::ScanFixture {
protected:
    void SetUp() override {
        builder.file("C:\\windows\\system32\\good.dll", "MZ");
        builder.file("C:\\Apps\\app.exe", "MZ");
        // A class whose in-process server is gone, and one that is fine.
        builder.value(
            std::string("HKLM\\Software\\Classes\\CLSID\\") + kBroken + "\\InprocServer32", "",
            RegValue::string("C:\\windows\\system32\\gone.dll"));
        builder.value(std::string("HKLM\\Software\\Classes\\CLSID\\") + kGood + "\\InprocServer32",
                      "", RegValue::string("C:\\windows\\system32\\good.dll"));
    }
    void classValue(std::string_view sub, std::string_view name, const RegValue& v) {
        builder.value("HKLM\\Software\\Classes\\" + std::string(sub), name, v);
    }
};

TEST_F(ComChecks, ServerKeysOfClasses) {
    classValue("CLSID\\{A0}\\InprocServer32", "", RegValue::string("ole32.dll"));  // no drive
    classValue("CLSID\\{A1}\\LocalServer32", "",
               RegValue::string("\"C:\\Apps\\app.exe\" /automation"));
    classValue("CLSID\\{A2}\\LocalServer32", "",
               RegValue::string("C:\\Apps\\gone.exe /automation"));
    // Empty server keys: only default set is a finding, one named value is not.
    builder.key("HKLM\\Software\\Classes\\CLSID\\{A3}\\InprocServer32");
    classValue("CLSID\\{A4}\\InprocServer32", "ThreadingModel", RegValue::string("Both"));
    classValue("CLSID\\{A5}\\InprocServer32", "", RegValue::string(""));
    // Both server keys broken: one finding each.
    classValue("CLSID\\{A6}\\InprocServer", "", RegValue::string("C:\\old\\a.dll"));
    classValue("CLSID\\{A6}\\LocalServer", "", RegValue::string("C:\\old\\a.exe"));

    // Registered for the user only: seen through the merged classes root.
    builder.value("HKCU\\Software\\Classes\\CLSID\\{U1}\\InprocServer32", "",
                  RegValue::string("C:\\Users\\gone.dll"));

    const RegFindings found = run(registry::CheckComClasses);
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(at(found, "\\CLSID\\{U1}").size(), 1u);
    EXPECT_EQ(at(found, std::string("\\CLSID\\") + kBroken).size(), 1u);
    EXPECT_TRUE(at(found, std::string("\\CLSID\\") + kGood).empty());
    EXPECT_TRUE(at(found, "\\CLSID\\{A0}").empty());
    EXPECT_TRUE(at(found, "\\CLSID\\{A1}").empty());
    EXPECT_TRUE(at(found, "\\CLSID\\{A4}").empty());
    EXPECT_EQ(one(found, "\\CLSID\\{A2}").Description,
              "Local server program not found: C:\\Apps\\gone.exe /automation");
    EXPECT_EQ(at(found, "\\CLSID\\{A3}").size(), 1u);
    EXPECT_EQ(at(found, "\\CLSID\\{A5}").size(), 1u);
    EXPECT_EQ(at(found, "\\CLSID\\{A6}").size(), 2u);

    const auto broken = at(found, std::string("\\CLSID\\") + kBroken)[0];
    EXPECT_EQ(broken.RootKey, RootKey::ClassesRoot);
    EXPECT_EQ(broken.Kind, registry::DeleteKey);
    EXPECT_EQ(broken.Data, "C:\\windows\\system32\\gone.dll");
    EXPECT_EQ(broken.GroupMarker, -1);
}

TEST_F(ComChecks, DefaultIcons) {
    builder.key(std::string("HKLM\\Software\\Classes\\CLSID\\") + kGood + "\\DefaultIcon");
    classValue("CLSID\\{B1}\\DefaultIcon", "", RegValue::string("C:\\Icons\\gone.ico,0"));
    classValue("CLSID\\{B2}\\DefaultIcon", "",
               RegValue::string("C:\\windows\\system32\\good.dll,-3"));

    const RegFindings found = run(registry::CheckComClasses);
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(at(found, std::string("\\CLSID\\") + kGood + "\\DefaultIcon").size(), 1u);
    EXPECT_EQ(one(found, "\\CLSID\\{B1}\\DefaultIcon").Data, "C:\\Icons\\gone.ico,0");
    EXPECT_TRUE(at(found, "\\CLSID\\{B2}\\DefaultIcon").empty());
    // An icon problem does not make the class broken.
    EXPECT_TRUE(at(found, "\\CLSID\\{B1}").empty());
}

TEST_F(ComChecks, TypeLibrariesAndTheirThresholds) {
    classValue("Typelib\\{T1}\\1.0\\0\\win32", "", RegValue::string("C:\\gone\\lib.dll"));
    classValue("Typelib\\{T2}\\1.0\\0\\win32", "Extra", RegValue::string("x"));
    classValue("Typelib\\{T3}\\1.0\\0\\win32", "Extra", RegValue::string("x"));
    classValue("Typelib\\{T3}\\1.0\\0\\win32", "More", RegValue::string("y"));
    classValue("Typelib\\{T4}\\1.0\\FLAGS\\win32", "", RegValue::string("C:\\gone\\lib.dll"));
    classValue("Typelib\\{T5}\\1.0\\409\\win32", "",
               RegValue::string("C:\\windows\\system32\\good.dll"));
    classValue("Typelib\\{T5}\\1.0\\HELPDIR", "Extra", RegValue::string("x"));
    classValue("Typelib\\{T6}\\2.1\\HELPDIR", "", RegValue::string("C:\\gone\\help.dll"));

    const RegFindings found = run(registry::CheckComClasses);
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(one(found, "\\Typelib\\{T1}").Description,
              "Type library file not found: C:\\gone\\lib.dll");
    EXPECT_EQ(one(found, "\\Typelib\\{T2}").Description,
              "Type library without a file: \\Typelib\\{T2}\\1.0\\0\\win32");
    EXPECT_TRUE(at(found, "\\Typelib\\{T3}").empty());
    EXPECT_TRUE(at(found, "\\Typelib\\{T4}").empty());  // FLAGS is not a locale
    EXPECT_TRUE(at(found, "\\Typelib\\{T5}").empty());
    EXPECT_EQ(at(found, "\\Typelib\\{T5}\\1.0\\HELPDIR").size(), 1u);
    EXPECT_EQ(at(found, "\\Typelib\\{T6}\\2.1\\HELPDIR").size(), 1u);
}

TEST_F(ComChecks, BrokenClassesPropagateToReferences) {
    // Interfaces: proxy on a broken class, on a missing class, on a good one; type-library
    // references to a broken library, a missing one and a good one.
    classValue("Interface\\{I1}\\ProxyStubClsid32", "", RegValue::string(kBroken));
    classValue("Interface\\{I2}\\ProxyStubClsid", "", RegValue::string(kMissing));
    classValue("Interface\\{I3}\\ProxyStubClsid32", "", RegValue::string(kGood));
    classValue("Typelib\\{T1}\\1.0\\0\\win32", "", RegValue::string("C:\\gone\\lib.dll"));
    classValue("Typelib\\{T5}\\1.0\\0\\win32", "",
               RegValue::string("C:\\windows\\system32\\good.dll"));
    classValue("Interface\\{I4}\\TypeLib", "", RegValue::string("{t1}"));  // other letter case
    classValue("Interface\\{I5}\\TypeLib", "", RegValue::string("{T9}"));
    classValue("Interface\\{I6}\\TypeLib", "", RegValue::string("{T5}"));
    // ProgIDs and handlers that name the broken class (the class key itself still exists).
    classValue("App.Broken\\CLSID", "", RegValue::string(kBroken));
    classValue("App.Good\\CLSID", "", RegValue::string(kGood));
    classValue("*\\shellex\\ContextMenuHandlers\\Named", "", RegValue::string(kBroken));
    classValue("*\\shellex\\ContextMenuHandlers\\GoodNamed", "", RegValue::string(kGood));
    builder.key(std::string("HKLM\\Software\\Classes\\*\\shellex\\ContextMenuHandlers\\") +
                kMissing);
    builder.key(std::string("HKLM\\Software\\Classes\\*\\shellex\\PropertySheetHandlers\\") +
                kBroken);
    builder.key("HKLM\\Software\\Classes\\*\\shellex\\ContextMenuHandlers\\NoClass");
    builder.key(std::string("HKLM\\Software\\Classes\\*\\shellex\\ContextMenuHandlers\\") + kGood);

    // Handlers of folders and drives, whose classes no extension leads to; one class deleted
    // by hand, one broken.
    classValue("Directory\\shellex\\ContextMenuHandlers\\Zip", "", RegValue::string(kMissing));
    classValue("Directory\\Background\\shellex\\ContextMenuHandlers\\Term", "",
               RegValue::string(kBroken));
    classValue("Drive\\shellex\\PropertySheetHandlers\\Disk", "", RegValue::string(kGood));
    classValue("Folder\\shellex\\DragDropHandlers\\Copy", "", RegValue::string(kMissing));

    const RegFindings found = run({registry::CheckComClasses, registry::CheckFileTypes});
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(at(found, "\\Interface\\{I1}\\ProxyStubClsid32").size(), 1u);
    EXPECT_EQ(at(found, "\\Interface\\{I2}\\ProxyStubClsid").size(), 1u);
    EXPECT_TRUE(at(found, "\\Interface\\{I3}\\ProxyStubClsid32").empty());
    EXPECT_EQ(at(found, "\\Interface\\{I4}").size(), 1u);
    EXPECT_EQ(at(found, "\\Interface\\{I5}").size(), 1u);
    EXPECT_TRUE(at(found, "\\Interface\\{I6}").empty());

    // Reported from the first pass (as a root key); not reached through an extension.
    EXPECT_EQ(one(found, "\\App.Broken\\CLSID").GroupMarker, 0);
    EXPECT_TRUE(at(found, "\\App.Good\\CLSID").empty());

    const std::string handlers = "\\*\\shellex\\ContextMenuHandlers\\";
    EXPECT_EQ(one(found, handlers + "Named").GroupMarker, -1);
    EXPECT_TRUE(at(found, handlers + "GoodNamed").empty());
    EXPECT_EQ(one(found, handlers + kMissing).GroupMarker, 0);
    EXPECT_TRUE(at(found, handlers + kGood).empty());
    EXPECT_EQ(one(found, handlers + "NoClass").Description,
              "Shell extension handler without a class");
    EXPECT_EQ(at(found, "\\Directory\\shellex\\ContextMenuHandlers\\Zip").size(), 1u);
    EXPECT_EQ(at(found, "\\Directory\\Background\\shellex\\ContextMenuHandlers\\Term").size(), 1u);
    EXPECT_TRUE(at(found, "\\Drive\\shellex\\PropertySheetHandlers\\Disk").empty());
    EXPECT_EQ(at(found, "\\Folder\\shellex\\DragDropHandlers\\Copy").size(), 1u);
    const auto sheet = at(found, std::string("\\*\\shellex\\PropertySheetHandlers\\") + kBroken);
    ASSERT_EQ(sheet.size(), 1u);
    EXPECT_EQ(sheet[0].GroupMarker, -1);
}

TEST_F(ComChecks, ExtensionsProgIdsAndVerbs) {
    classValue(".gone", "", RegValue::string("gonefile"));
    classValue(".txt2", "", RegValue::string("txtfile2"));
    classValue(".alias", "", RegValue::string("txtfile2"));  // a second extension, same type
    classValue("txtfile2\\shell\\open\\command", "", RegValue::string("C:\\Apps\\gone.exe \"%1\""));
    classValue("txtfile2\\shell\\edit\\command", "", RegValue::string("\"%1\" /edit"));
    classValue("txtfile2\\shell\\run\\command", "",
               RegValue::string("\"C:\\Apps\\app.exe\" \"%1\""));
    builder.key("HKLM\\Software\\Classes\\txtfile2\\shell\\play\\command");  // empty command
    builder.key("HKLM\\Software\\Classes\\txtfile2\\shell\\print");          // nothing to run
    classValue("txtfile2\\shell\\drop\\DropTarget", "CLSID", RegValue::string(kMissing));
    classValue("txtfile2\\shell\\drop2\\DropTarget", "CLSID", RegValue::string(kBroken));
    classValue("txtfile2\\DefaultIcon", "", RegValue::string("C:\\Icons\\gone.ico,1"));
    builder.key("HKLM\\Software\\Classes\\.empty\\shell\\command");
    builder.key("HKLM\\Software\\Classes\\EmptyType\\sub");
    classValue("NotEmpty\\sub", "v", RegValue::string("x"));
    // A missing type's verbs are never examined.
    classValue("gonefile2\\shell\\open\\command", "", RegValue::string("C:\\Apps\\gone.exe"));

    const RegFindings found = run({registry::CheckComClasses, registry::CheckFileTypes});
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(one(found, "\\.gone").Data, "gonefile");
    EXPECT_EQ(at(found, "\\.gone")[0].Description,
              "File extension refers to a missing file type: HKEY_CLASSES_ROOT\\gonefile");
    EXPECT_EQ(at(found, "\\.gone")[0].GroupMarker, 0);

    // Examined once although two extensions name it.
    EXPECT_EQ(one(found, "\\txtfile2\\shell\\open").Description,
              "Command \"open\" refers to a missing program: C:\\Apps\\gone.exe \"%1\"");
    EXPECT_TRUE(at(found, "\\txtfile2\\shell\\edit").empty());
    EXPECT_TRUE(at(found, "\\txtfile2\\shell\\run").empty());
    EXPECT_TRUE(at(found, "\\txtfile2\\shell\\play").empty());
    EXPECT_EQ(one(found, "\\txtfile2\\shell\\print").Description,
              "Shell command without a program");
    EXPECT_EQ(at(found, "\\txtfile2\\shell\\drop").size(), 1u);
    EXPECT_TRUE(at(found, "\\txtfile2\\shell\\drop2").empty());  // key exists: not consulted
    EXPECT_EQ(at(found, "\\txtfile2\\DefaultIcon").size(), 1u);
    EXPECT_EQ(at(found, "\\.empty\\shell\\command").size(), 1u);
    EXPECT_EQ(at(found, "\\EmptyType").size(), 1u);
    EXPECT_TRUE(at(found, "\\NotEmpty").empty());
    EXPECT_TRUE(at(found, "\\gonefile2\\shell\\open").empty());
    for (const auto& f : found)
        EXPECT_EQ(f.RootKey, RootKey::ClassesRoot);
}

TEST_F(ComChecks, AllFilesTypeIsAlwaysExamined) {
    classValue("*\\shell\\scan\\command", "", RegValue::string("C:\\Apps\\gone.exe %1"));
    const RegFindings found = run(registry::CheckFileTypes);
    EXPECT_EQ(at(found, "\\*\\shell\\scan").size(), 1u) << qt::Describe(found);
}

// The classes 32-bit programs register: checked in their own view, and a reference to a class
// registered only there is not broken.
TEST_F(ComChecks, ThirtyTwoBitClasses) {
    builder.file("C:\\windows\\syswow64\\here32.dll", "MZ");
    classValue("Wow6432Node\\CLSID\\{W1}\\InprocServer32", "",
               RegValue::string("C:\\Program Files (x86)\\Gone\\gone32.dll"));
    classValue("Wow6432Node\\CLSID\\{W2}\\InprocServer32", "",
               RegValue::string("C:\\windows\\syswow64\\here32.dll"));
    classValue("App32.Here\\CLSID", "", RegValue::string("{W2}"));
    classValue("App32.Gone\\CLSID", "", RegValue::string("{W9}"));

    const RegFindings found = run({registry::CheckComClasses, registry::CheckFileTypes});
    SCOPED_TRACE(qt::Describe(found));
    EXPECT_EQ(at(found, "\\Wow6432Node\\CLSID\\{W1}").size(), 1u);
    EXPECT_TRUE(at(found, "\\Wow6432Node\\CLSID\\{W2}").empty());
    EXPECT_TRUE(at(found, "\\App32.Here\\CLSID").empty());
    EXPECT_EQ(at(found, "\\App32.Gone\\CLSID").size(), 1u);
}

}  // namespace
