#include "ScanFixture.h"

namespace quorvel::registry::checktests {
namespace {

const std::string kBroken = "{11111111-1111-1111-1111-111111111111}";
const std::string kGood = "{22222222-2222-2222-2222-222222222222}";
const std::string kMissing = "{99999999-9999-9999-9999-999999999999}";

class ComChecks : public ScanFixture {
protected:
    void SetUp() override {
        builder.file("C:\\windows\\system32\\good.dll", "MZ");
        builder.file("C:\\Apps\\app.exe", "MZ");
        // A class whose in-process server is gone, and one that is fine.
        def("CLSID\\" + kBroken + "\\InprocServer32", "C:\\windows\\system32\\gone.dll");
        def("CLSID\\" + kGood + "\\InprocServer32", "C:\\windows\\system32\\good.dll");
    }
    void classValue(std::string_view sub, std::string_view name, const RegValue& v) {
        builder.value("HKLM\\Software\\Classes\\" + std::string(sub), name, v);
    }
    void key(const std::string& sub) { builder.key("HKLM\\Software\\Classes\\" + sub); }
    // The default value of a key below the classes.
    void def(std::string_view sub, std::string_view data) { classValue(sub, "", Sz(data)); }
};

TEST_F(ComChecks, ServerKeysOfClasses) {
    def("CLSID\\{A0}\\InprocServer32", "ole32.dll");  // no drive
    def("CLSID\\{A1}\\LocalServer32", "\"C:\\Apps\\app.exe\" /automation");
    def("CLSID\\{A2}\\LocalServer32", "C:\\Apps\\gone.exe /automation");
    // Empty server keys: only default set is a finding, one named value is not.
    key("CLSID\\{A3}\\InprocServer32");
    classValue("CLSID\\{A4}\\InprocServer32", "ThreadingModel", Sz("Both"));
    def("CLSID\\{A5}\\InprocServer32", "");
    // Both server keys broken: one finding each.
    def("CLSID\\{A6}\\InprocServer", "C:\\old\\a.dll");
    def("CLSID\\{A6}\\LocalServer", "C:\\old\\a.exe");

    // Registered for the user only: seen through the merged classes root.
    builder.value("HKCU\\Software\\Classes\\CLSID\\{U1}\\InprocServer32", "",
                  Sz("C:\\Users\\gone.dll"));

    const auto found = run(CheckComClasses);
    expectCounts(found, {{"\\CLSID\\{U1}", 1},
                         {"\\CLSID\\" + kBroken, 1},
                         {"\\CLSID\\" + kGood, 0},
                         {"\\CLSID\\{A0}", 0},
                         {"\\CLSID\\{A1}", 0},
                         {"\\CLSID\\{A4}", 0}});
    EXPECT_EQ(one(found, "\\CLSID\\{A2}").Description,
              "Local server program not found: C:\\Apps\\gone.exe /automation");
    expectCounts(found, {{"\\CLSID\\{A3}", 1}, {"\\CLSID\\{A5}", 1}, {"\\CLSID\\{A6}", 2}});

    const auto broken = at(found, "\\CLSID\\" + kBroken)[0];
    EXPECT_EQ(broken.RootKey, RootKey::ClassesRoot);
    EXPECT_EQ(broken.Kind, DeleteKey);
    EXPECT_EQ(broken.Data, "C:\\windows\\system32\\gone.dll");
    EXPECT_EQ(broken.GroupMarker, -1);
}

TEST_F(ComChecks, DefaultIcons) {
    key("CLSID\\" + kGood + "\\DefaultIcon");
    def("CLSID\\{B1}\\DefaultIcon", "C:\\Icons\\gone.ico,0");
    def("CLSID\\{B2}\\DefaultIcon", "C:\\windows\\system32\\good.dll,-3");

    const auto found = run(CheckComClasses);
    EXPECT_EQ(at(found, "\\CLSID\\" + kGood + "\\DefaultIcon").size(), 1u);
    EXPECT_EQ(one(found, "\\CLSID\\{B1}\\DefaultIcon").Data, "C:\\Icons\\gone.ico,0");
    EXPECT_TRUE(at(found, "\\CLSID\\{B2}\\DefaultIcon").empty());
    // An icon problem does not make the class broken.
    EXPECT_TRUE(at(found, "\\CLSID\\{B1}").empty());
}

TEST_F(ComChecks, TypeLibrariesAndTheirThresholds) {
    def("Typelib\\{T1}\\1.0\\0\\win32", "C:\\gone\\lib.dll");
    classValue("Typelib\\{T2}\\1.0\\0\\win32", "Extra", Sz("x"));
    classValue("Typelib\\{T3}\\1.0\\0\\win32", "Extra", Sz("x"));
    classValue("Typelib\\{T3}\\1.0\\0\\win32", "More", Sz("y"));
    def("Typelib\\{T4}\\1.0\\FLAGS\\win32", "C:\\gone\\lib.dll");
    def("Typelib\\{T5}\\1.0\\409\\win32", "C:\\windows\\system32\\good.dll");
    classValue("Typelib\\{T5}\\1.0\\HELPDIR", "Extra", Sz("x"));
    def("Typelib\\{T6}\\2.1\\HELPDIR", "C:\\gone\\help.dll");

    const auto found = run(CheckComClasses);
    EXPECT_EQ(one(found, "\\Typelib\\{T1}").Description,
              "Type library file not found: C:\\gone\\lib.dll");
    EXPECT_EQ(one(found, "\\Typelib\\{T2}").Description,
              "Type library without a file: \\Typelib\\{T2}\\1.0\\0\\win32");
    expectCounts(found, {{"\\Typelib\\{T3}", 0},
                         {"\\Typelib\\{T4}", 0},  // FLAGS is not a locale
                         {"\\Typelib\\{T5}", 0},
                         {"\\Typelib\\{T5}\\1.0\\HELPDIR", 1},
                         {"\\Typelib\\{T6}\\2.1\\HELPDIR", 1}});
}

TEST_F(ComChecks, BrokenClassesPropagateToReferences) {
    // Interfaces: proxy on a broken class, on a missing class, on a good one; type-library
    // references to a broken library, a missing one and a good one.
    def("Interface\\{I1}\\ProxyStubClsid32", kBroken);
    def("Interface\\{I2}\\ProxyStubClsid", kMissing);
    def("Interface\\{I3}\\ProxyStubClsid32", kGood);
    def("Typelib\\{T1}\\1.0\\0\\win32", "C:\\gone\\lib.dll");
    def("Typelib\\{T5}\\1.0\\0\\win32", "C:\\windows\\system32\\good.dll");
    def("Interface\\{I4}\\TypeLib", "{t1}");  // other letter case
    def("Interface\\{I5}\\TypeLib", "{T9}");
    def("Interface\\{I6}\\TypeLib", "{T5}");
    // ProgIDs and handlers that name the broken class (the class key itself still exists).
    def("App.Broken\\CLSID", kBroken);
    def("App.Good\\CLSID", kGood);
    def("*\\shellex\\ContextMenuHandlers\\Named", kBroken);
    def("*\\shellex\\ContextMenuHandlers\\GoodNamed", kGood);
    key("*\\shellex\\ContextMenuHandlers\\" + kMissing);
    key("*\\shellex\\PropertySheetHandlers\\" + kBroken);
    key("*\\shellex\\ContextMenuHandlers\\NoClass");
    key("*\\shellex\\ContextMenuHandlers\\" + kGood);

    // Handlers of folders and drives, whose classes no extension leads to; one class deleted
    // by hand, one broken.
    def("Directory\\shellex\\ContextMenuHandlers\\Zip", kMissing);
    def("Directory\\Background\\shellex\\ContextMenuHandlers\\Term", kBroken);
    def("Drive\\shellex\\PropertySheetHandlers\\Disk", kGood);
    def("Folder\\shellex\\DragDropHandlers\\Copy", kMissing);

    const auto found = run({CheckComClasses, CheckFileTypes});
    expectCounts(found, {{"\\Interface\\{I1}\\ProxyStubClsid32", 1},
                         {"\\Interface\\{I2}\\ProxyStubClsid", 1},
                         {"\\Interface\\{I3}\\ProxyStubClsid32", 0},
                         {"\\Interface\\{I4}", 1},
                         {"\\Interface\\{I5}", 1},
                         {"\\Interface\\{I6}", 0}});

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
    expectCounts(found, {{"\\Directory\\shellex\\ContextMenuHandlers\\Zip", 1},
                         {"\\Directory\\Background\\shellex\\ContextMenuHandlers\\Term", 1},
                         {"\\Drive\\shellex\\PropertySheetHandlers\\Disk", 0},
                         {"\\Folder\\shellex\\DragDropHandlers\\Copy", 1}});
    EXPECT_EQ(one(found, "\\*\\shellex\\PropertySheetHandlers\\" + kBroken).GroupMarker, -1);
}

TEST_F(ComChecks, ExtensionsProgIdsAndVerbs) {
    def(".gone", "gonefile");
    def(".txt2", "txtfile2");
    def(".alias", "txtfile2");  // a second extension, same type
    def("txtfile2\\shell\\open\\command", "C:\\Apps\\gone.exe \"%1\"");
    def("txtfile2\\shell\\edit\\command", "\"%1\" /edit");
    def("txtfile2\\shell\\run\\command", "\"C:\\Apps\\app.exe\" \"%1\"");
    key("txtfile2\\shell\\play\\command");  // empty command
    key("txtfile2\\shell\\print");          // nothing to run
    classValue("txtfile2\\shell\\drop\\DropTarget", "CLSID", Sz(kMissing));
    classValue("txtfile2\\shell\\drop2\\DropTarget", "CLSID", Sz(kBroken));
    def("txtfile2\\DefaultIcon", "C:\\Icons\\gone.ico,1");
    key(".empty\\shell\\command");
    key("EmptyType\\sub");
    classValue("NotEmpty\\sub", "v", Sz("x"));
    // A missing type's verbs are never examined.
    def("gonefile2\\shell\\open\\command", "C:\\Apps\\gone.exe");

    const auto found = run({CheckComClasses, CheckFileTypes});
    EXPECT_EQ(one(found, "\\.gone").Data, "gonefile");
    EXPECT_EQ(at(found, "\\.gone")[0].GroupMarker, 0);

    // Examined once although two extensions name it.
    EXPECT_EQ(one(found, "\\txtfile2\\shell\\open").Description,
              "Command \"open\" refers to a missing program: C:\\Apps\\gone.exe \"%1\"");
    expectCounts(found, {{"\\txtfile2\\shell\\edit", 0},
                         {"\\txtfile2\\shell\\run", 0},
                         {"\\txtfile2\\shell\\play", 0}});
    EXPECT_EQ(one(found, "\\txtfile2\\shell\\print").Description,
              "Shell command without a program");
    expectCounts(found, {{"\\txtfile2\\shell\\drop", 1},
                         {"\\txtfile2\\shell\\drop2", 0},  // key exists: not consulted
                         {"\\txtfile2\\DefaultIcon", 1},
                         {"\\.empty\\shell\\command", 1},
                         {"\\EmptyType", 1},
                         {"\\NotEmpty", 0},
                         {"\\gonefile2\\shell\\open", 0}});
    for (const auto& f : found)
        EXPECT_EQ(f.RootKey, RootKey::ClassesRoot);
}

// The classes 32-bit programs register: checked in their own view, and a reference to a class
// registered only there is not broken.
TEST_F(ComChecks, ThirtyTwoBitClasses) {
    builder.file("C:\\windows\\syswow64\\here32.dll", "MZ");
    def("Wow6432Node\\CLSID\\{W1}\\InprocServer32", "C:\\Program Files (x86)\\Gone\\gone32.dll");
    def("Wow6432Node\\CLSID\\{W2}\\InprocServer32", "C:\\windows\\syswow64\\here32.dll");
    def("App32.Here\\CLSID", "{W2}");
    def("App32.Gone\\CLSID", "{W9}");

    const auto found = run({CheckComClasses, CheckFileTypes});
    expectCounts(found, {{"\\Wow6432Node\\CLSID\\{W1}", 1},
                         {"\\Wow6432Node\\CLSID\\{W2}", 0},
                         {"\\App32.Here\\CLSID", 0},
                         {"\\App32.Gone\\CLSID", 1}});
}

}  // namespace
}  // namespace quorvel::registry::checktests
