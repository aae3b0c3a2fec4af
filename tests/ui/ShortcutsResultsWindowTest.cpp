#include "ui/ShortcutsResultsWindow.h"

#include "core/files/ShellWrappers.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

const std::string kMenu =
    "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\";

class ShortcutsResultsWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.file("C:\\apps\\new.exe", "MZ");
        builder_.shortcut(kMenu + "One.lnk", "C:\\gone\\one.exe", "first");
        builder_.shortcut(kMenu + "Two.lnk", "C:\\gone\\two.exe", "second");
        auto& findings = session().shortcutFindings();
        findings.push_back({"C:\\gone\\one.exe", kMenu + "One.lnk", "first", 0, true, false});
        findings.push_back({"C:\\gone\\two.exe", kMenu + "Two.lnk", "second", 0, false, false});
        findings.push_back({"", kMenu + "Empty", "", 0, true, true});
    }
    std::vector<bool> checks() {
        return testing::Each(session().shortcutFindings(), [](const auto& f) { return f.Checked; });
    }
    static std::vector<bool> checks(const TfrmShortcuts& window) {
        std::vector<bool> out;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            out.push_back(window.list()->topLevelItem(i)->checkState(0) == Qt::Checked);
        return out;
    }
};

TEST_F(ShortcutsResultsWindowTest, RowsChecksOkAndCancel) {
    {
        TfrmShortcuts window(session());
        const QTreeWidgetItem* first = window.list()->topLevelItem(0);
        EXPECT_EQ(first->text(0) + "|" + first->text(1) + "|" + first->text(3),
                  QStringLiteral("One.lnk|C:\\gone\\one.exe|first"));
        EXPECT_EQ(first->text(2).toStdString(), kMenu);
        window.actchkinvertExecute();
        EXPECT_EQ(checks(window), (std::vector<bool>{false, true, false}));
    }
    testing::ExpectOnlyOkKeeps<TfrmShortcuts>(
        [](TfrmShortcuts& w) {
            w.actchknoneExecute();
            w.list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
        },
        [this] { return checks(); }, {false, false, true}, session());
}

TEST_F(ShortcutsResultsWindowTest, FixShortcutRepointsTheFileInPlace) {
    TfrmShortcuts window(session());
    std::vector<QString> errors;
    window.setShowError([&](QWidget*, const QString& text) { errors.push_back(text); });
    std::optional<std::string> answer = "C:\\still\\missing.exe";
    window.setChooseTarget([&](QWidget*, const QString&) { return answer; });
    const auto fix = [&](int row) {
        window.list()->setCurrentItem(window.list()->topLevelItem(row));
        window.actfixExecute();
    };

    // A target that is missing too: the row shows it and stays ticked.
    fix(1);
    EXPECT_EQ(window.list()->topLevelItem(1)->text(1), QStringLiteral("C:\\still\\missing.exe"));
    EXPECT_EQ(checks(window), (std::vector<bool>{true, true, true}));

    // An existing target mends it: saved in place, it leaves the list and the findings.
    answer = "C:\\apps\\new.exe";
    fix(0);
    ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
    ASSERT_EQ(window.list()->topLevelItemCount(), 2);
    EXPECT_EQ(session().shortcutFindings()[0].Path, kMenu + "Two.lnk");
    const auto link = core::ReadShellLink(session().machine().shell(), kMenu + "One.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->targetPath + "|" + link->description, "C:\\apps\\new.exe|first");

    // A shortcut that vanished is reported, not written anew.
    std::filesystem::remove(builder_.hostPath(kMenu + "Two.lnk"));
    fix(0);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(builder_.hostPath(kMenu + "Two.lnk")));
}

}  // namespace
}  // namespace quorvel::ui
