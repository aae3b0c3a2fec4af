#include <QTimer>

#include "startup/StartupComments.h"
#include "ui/CommentWindow.h"
#include "ui/StartupWindow.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using startup::TStartupData;

class StartupWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.file("C:\\t\\tool.exe", "MZ");
        makeSession();
        add("Dangerous", "C:\\t\\tool.exe", 80);
        add("Risky", "C:\\t\\tool.exe", 79);
        add("Nowhere", "", 100);
    }
    void add(const std::string& name, const std::string& program, int rating) {
        TStartupData f;
        f.Name = name;
        f.Command = program.empty() ? "C:\\gone.exe /x " : program;
        f.ProgramFile = program;
        f.Rating = rating;
        f.Location = "Registry\\Current User\\Run";
        f.Kind = startup::RegistryValue;
        findings.push_back(f);
    }
    startup::StartupFindings findings;
};

TEST_F(StartupWindowTest, DetailsNameAMissingProgramAndOnlyOkKeepsTheTicks) {
    TfrmStartup window(session(), findings);
    ASSERT_EQ(window.tree()->topLevelItemCount(), 3);
    window.showDetails(2);
    EXPECT_TRUE(window.nameLabel()->text().endsWith(QStringLiteral(" - file not found")))
        << window.nameLabel()->text().toStdString();

    window.tree()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(findings[1].PendingChecked);
    EXPECT_EQ(window.tree()->topLevelItem(1)->text(3), QStringLiteral("Keep"));
    window.reject();
    EXPECT_TRUE(findings[1].Checked);  // Cancel: still checked

    TfrmStartup again(session(), findings);
    again.tree()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    again.accept();
    EXPECT_FALSE(findings[1].Checked);
    EXPECT_TRUE(findings[0].Checked);
}

TEST_F(StartupWindowTest, TheCommentWindowStoresTheOpinionAndShowsItAgain) {
    {
        Tfrmcomment window(session(), findings[2]);
        EXPECT_EQ(window.opinionBox()->currentIndex(), 0);
        window.opinionBox()->setCurrentIndex(1);  // safe
        window.memo()->setPlainText(QStringLiteral("mine"));
        window.accept();
        EXPECT_EQ(window.result(), QDialog::Accepted)
            << window.messageLabel()->text().toStdString();
        EXPECT_EQ(window.rating(), 0);
    }
    // Reopened for the same entry (its command ends in a blank): the stored choice and text.
    Tfrmcomment reopened(session(), findings[2]);
    EXPECT_EQ(reopened.opinionBox()->currentIndex(), 1);
    EXPECT_EQ(reopened.memo()->toPlainText(), QStringLiteral("mine"));
}

}  // namespace
}  // namespace quorvel::ui
