#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/text/CaseInsensitive.h"
#include "registry/PathTests.h"

namespace {

using namespace quorvel::registry;
namespace text = quorvel::platform::text;

// Records what the reference tests hand to the file system and answers from a fixed set.
struct FakeFileSystem {
    std::set<std::string, text::ILess> existing;
    std::string last;  // the last path looked at, "" when none was

    PathTester tester() {
        PathTester t;
        t.expandVars = [](std::string_view s) {
            std::string up = text::toUpperAscii(s);
            const std::string var = "%SYSTEMROOT%\\";
            if (auto at = up.find(var); at != std::string::npos)
                up.replace(at, var.size(), "C:\\windows\\");
            return up;
        };
        t.targetExists = [this](std::string_view command, bool) {
            last = command;
            return existing.contains(last);
        };
        return t;
    }
};

struct Row {
    const char* data;
    bool ok;
    const char* looked;  // the last path handed to the file system; "" for none
};

void expectRows(const std::vector<Row>& rows, bool (*test)(const PathTester&, std::string_view),
                const std::set<std::string, text::ILess>& existing) {
    for (const auto& r : rows) {
        SCOPED_TRACE(r.data);
        FakeFileSystem fs;
        fs.existing = existing;
        EXPECT_EQ(test(fs.tester(), r.data), r.ok);
        EXPECT_EQ(fs.last, r.looked);
    }
}

TEST(PathTests, EmbeddedPathIsolatesThePathInsideTheData) {
    expectRows(
        {
            // No drive path: nothing to look at.
            {"just some text", true, ""},
            {"?:\\placeholder\\x.exe", true, ""},
            {":\\no letter", true, ""},
            {"http://example.com/a", true, ""},
            {"%USERPROFILE%\\Desktop", true,
             ""},  // a variable we cannot expand
                   // A path that goes on after ".dll\" names the library, any letter case.
            {"C:\\Apps\\TOOL.DLL\\x", true, "C:\\Apps\\TOOL.DLL"},
            {"'C:\\Program Files\\a b.exe' /s /q", true, "C:\\Program Files\\a b.exe"},
            {"Provider=Jet;Source=C:\\db\\x.mdb;Mode=1", true, "C:\\db\\x.mdb"},
            {"\"C:\\Apps\\tool.dll\",-101", true, "C:\\Apps\\tool.dll"},
            {"C:\\Apps\\tool.dll(5)", true, "C:\\Apps\\tool.dll"},  // retried before "("
            {"C:\\Gone\\x.exe", false, "C:\\Gone\\x.exe"},
            // An MRU entry's trailing "\1" is no part of the path.
            {"C:\\db\\x.mdb\\1", true, "C:\\db\\x.mdb"},
            {"C:\\Docs\\gone.txt\\1", false, "C:\\Docs\\gone.txt"},
            {"C:\\db\\x.mdb\\x1", false, "C:\\db\\x.mdb\\x1"},
            {"%SystemRoot%\\System32\\X.dll,3", true, "c:\\windows\\system32\\x.dll"},
        },
        EmbeddedPathExists,
        {"C:\\Apps\\tool.dll", "C:\\Program Files\\a b.exe", "C:\\db\\x.mdb",
         "c:\\windows\\system32\\x.dll"});
}

TEST(PathTests, CommandTargetPassesDocumentAndNetworkForms) {
    expectRows(
        {
            {"%1 /whatever C:\\gone.exe", true, ""},
            {"\"%1\" %*", true, ""},
            {"\\\\server\\share\\app.exe /x", true, ""},
            // "%1" later in the line does not excuse a missing program; the "%" sends the
            // line through the (upper-casing) variable expansion first.
            {"C:\\gone\\app.exe \"%1\"", false, "C:\\GONE\\APP.EXE \"%1\""},
            {"%SystemRoot%\\notepad.exe %1", true, "C:\\windows\\NOTEPAD.EXE %1"},
        },
        CommandTargetOk, {"C:\\windows\\notepad.exe %1"});
}

TEST(PathTests, ServerPathTestsUpToTheExtension) {
    expectRows(
        {
            {"C:\\Apps\\server.dll,-3", true, "C:\\Apps\\server.dll"},
            {"\"C:\\Apps\\server.dll\" /automation", true, "C:\\Apps\\server.dll"},
            {"C:\\Apps\\host.exe C:\\Apps\\server.dll", false, "C:\\Apps\\host.exe"},  // .exe first
            {"server.dll", true, ""},                                                  // no drive
            {"C:\\Apps\\readme.txt", true, ""},  // no known extension
            {"x.dll C:\\", true, ""},            // drive after the extension
            {"\\\\srv\\share\\c.dll", true, ""},
            {"%1", true, ""},
            {"%SystemRoot%\\system32\\gone.dll,1", false, "C:\\windows\\SYSTEM32\\GONE.DLL"},
            {"C:\\Icons\\gone.ico", false, "C:\\Icons\\gone.ico"},
        },
        ServerPathExists, {"C:\\APPS\\SERVER.DLL"});
}

}  // namespace
