#include <tuple>

#include "startup/StartupComments.h"
#include "ui/CommentWindow.h"
#include "ui/StartupWindow.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

// Three Run entries: two of an existing program rated either side of 80, one without a file.
class StartupWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.file("C:\\t\\tool.exe", "MZ");
        makeSession();
        for (const auto& [name, program, rating] : {std::tuple{"Dangerous", "C:\\t\\tool.exe", 80},
                                                    {"Risky", "C:\\t\\tool.exe", 79},
                                                    {"Nowhere", "", 100}}) {
            startup::TStartupData& f = findings.emplace_back();
            f.Name = name;
            f.Command = *program ? program : "C:\\gone.exe /x ";
            f.ProgramFile = program;
            f.Rating = rating;
            f.Location = "Registry\\Current User\\Run";
            f.Kind = startup::RegistryValue;
        }
    }
    startup::StartupFindings findings;
};

TEST_F(StartupWindowTest, DetailsNameAMissingProgramAndOnlyOkKeepsTheTicks) {
    {
        TfrmStartup window(session(), findings);
        ASSERT_EQ(window.tree()->topLevelItemCount(), 3);
        window.showDetails(2);
        EXPECT_TRUE(window.nameLabel()->text().endsWith(QStringLiteral(" - file not found")))
            << window.nameLabel()->text().toStdString();
    }
    testing::ExpectOnlyOkKeeps<TfrmStartup>(
        [this](TfrmStartup& w) {
            w.tree()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
            EXPECT_FALSE(findings[1].PendingChecked);
            EXPECT_EQ(w.tree()->topLevelItem(1)->text(3), QStringLiteral("Keep"));
        },
        [this] { return testing::Each(findings, [](const auto& f) { return f.Checked; }); },
        {true, false, true}, session(), findings);
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
