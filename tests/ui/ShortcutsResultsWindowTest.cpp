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
        builder_.folder(kMenu + "Empty");
        makeSession();
        auto& findings = session().shortcutFindings();
        findings.push_back({"C:\\gone\\one.exe", kMenu + "One.lnk", "first", 0, true, false});
        findings.push_back({"C:\\gone\\two.exe", kMenu + "Two.lnk", "second", 0, false, false});
        findings.push_back({"", kMenu + "Empty", "", 0, true, true});
    }
    std::vector<bool> rowChecks(const TfrmShortcuts& window) const {
        std::vector<bool> out;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            out.push_back(window.list()->topLevelItem(i)->checkState(0) == Qt::Checked);
        return out;
    }
    std::vector<bool> findingChecks() {
        std::vector<bool> out;
        for (const auto& f : session().shortcutFindings())
            out.push_back(f.Checked);
        return out;
    }
};

TEST_F(ShortcutsResultsWindowTest, RowsChecksOkAndCancel) {
    {
        TfrmShortcuts window(session());
        QTreeWidgetItem* first = window.list()->topLevelItem(0);
        ASSERT_EQ(window.list()->topLevelItemCount(), 3);
        EXPECT_EQ(first->text(0), QStringLiteral("One.lnk"));
        EXPECT_EQ(first->text(1), QStringLiteral("C:\\gone\\one.exe"));
        EXPECT_EQ(first->text(2).toStdString(), kMenu);
        EXPECT_EQ(first->text(3), QStringLiteral("first"));
        EXPECT_EQ(rowChecks(window), (std::vector<bool>{true, false, true}));
        window.actchkinvertExecute();
        EXPECT_EQ(rowChecks(window), (std::vector<bool>{false, true, false}));
        window.reject();
    }
    EXPECT_EQ(findingChecks(), (std::vector<bool>{true, false, true})) << "Cancel keeps them";
    TfrmShortcuts window(session());
    window.actchknoneExecute();
    window.list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
    window.accept();
    EXPECT_EQ(findingChecks(), (std::vector<bool>{false, false, true}));
}

TEST_F(ShortcutsResultsWindowTest, FixShortcutRepointsTheFileInPlace) {
    TfrmShortcuts window(session());
    std::vector<QString> errors;
    window.setShowError([&](QWidget*, const QString& text) { errors.push_back(text); });
    std::optional<std::string> answer;
    window.setChooseTarget([&](QWidget*, const QString&) { return answer; });

    window.list()->setCurrentItem(window.list()->topLevelItem(1));
    window.actfixExecute();  // the user cancels the chooser
    EXPECT_EQ(window.list()->topLevelItemCount(), 3);

    // A target that does not exist either: the row shows it and stays ticked.
    answer = "C:\\still\\missing.exe";
    window.actfixExecute();
    ASSERT_EQ(window.list()->topLevelItemCount(), 3);
    EXPECT_EQ(window.list()->topLevelItem(1)->text(1), QStringLiteral("C:\\still\\missing.exe"));
    EXPECT_EQ(window.list()->topLevelItem(1)->checkState(0), Qt::Checked);

    // An existing target mends it: saved in place, and it leaves the list and the findings.
    answer = "C:\\apps\\new.exe";
    window.list()->setCurrentItem(window.list()->topLevelItem(0));
    window.actfixExecute();
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
    ASSERT_EQ(window.list()->topLevelItemCount(), 2);
    ASSERT_EQ(session().shortcutFindings().size(), 2u);
    EXPECT_EQ(session().shortcutFindings()[0].Path, kMenu + "Two.lnk");
    const auto link = core::ReadShellLink(session().machine().shell(), kMenu + "One.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->targetPath, "C:\\apps\\new.exe");
    EXPECT_EQ(link->description, "first") << "the rest of the shortcut is kept";

    // A folder row has nothing to fix; a shortcut that vanished is reported, not rewritten.
    window.list()->setCurrentItem(window.list()->topLevelItem(1));
    window.actfixExecute();
    EXPECT_TRUE(errors.empty());
    std::filesystem::remove(builder_.hostPath(kMenu + "Two.lnk"));
    window.list()->setCurrentItem(window.list()->topLevelItem(0));
    window.actfixExecute();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(builder_.hostPath(kMenu + "Two.lnk")));
}

}  // namespace
}  // namespace quorvel::ui
