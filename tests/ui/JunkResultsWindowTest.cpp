#include "ui/JunkResultsWindow.h"

#include "junk/JunkData.h"
#include "support/RunningWineServer.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

class JunkResultsWindowTest : public testing::SessionTest {
protected:
    // The records of the first `records` categories: empty, 7 KB and 5 GB.
    void fill(int records) {
        const std::int64_t sizes[] = {0, 7168, 5368709120};
        for (int i = 0; i < records; ++i) {
            junk::TJunkData d;
            d.Category = i;
            d.Size = sizes[i];
            d.Count = i == 0 ? 0 : 3;
            session().junkFindings().push_back(d);
        }
    }
    std::vector<bool> selected() {
        return testing::Each(session().junkFindings(), [](const auto& d) { return d.Selected; });
    }
    std::vector<bool> stored() {
        return testing::Each(std::vector<int>{0, 1, 2}, [this](int c) {
            return junk::IsCategorySelected(session().machine(), c);
        });
    }
    void untickThird(TfrmJunk& window) {
        window.setNotify([this](QWidget*, const QString& text) { notices.push_back(text); });
        window.tree()->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
    }
    std::vector<QString> notices;
};

TEST_F(JunkResultsWindowTest, ShowsEveryCategoryWithCountAndSizeEvenWhenEmpty) {
    fill(3);
    TfrmJunk window(session());
    QTreeWidget* tree = window.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(2)->text(0), QStringLiteral("Temporary Internet Files"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(tree->topLevelItem(i)->childCount(), 1);
        EXPECT_TRUE(tree->topLevelItem(i)->isExpanded());
        EXPECT_EQ(tree->topLevelItem(i)->checkState(0), Qt::Checked);
        EXPECT_NE(window.viewButton(i), nullptr);
    }
    EXPECT_TRUE(tree->topLevelItem(0)->child(0)->text(0).startsWith(QStringLiteral("0 files")));
    EXPECT_TRUE(tree->topLevelItem(2)->child(0)->text(0).startsWith(QStringLiteral("3 files, 5")))
        << tree->topLevelItem(2)->child(0)->text(0).toStdString();
    tree->collapseItem(tree->topLevelItem(1));
    EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
}

TEST_F(JunkResultsWindowTest, OkStoresTheTicksInFindingsAndRegistryCancelChangesNothing) {
    fill(3);
    testing::ExpectOnlyOkKeeps<TfrmJunk>([this](TfrmJunk& w) { untickThird(w); },
                                         [this] { return selected(); }, {true, true, false},
                                         session());
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(stored(), (std::vector<bool>{true, true, false}));
    // A new session reads the saved choice from the machine.
    makeSession();
    EXPECT_EQ(stored(), (std::vector<bool>{true, true, false}));
}

TEST_F(JunkResultsWindowTest, AStoppedScanShowsOnlyItsRecordsAndAnUnsavableChoiceIsReported) {
    fill(2);
    TfrmJunk window(session());
    window.setNotify([this](QWidget*, const QString& text) { notices.push_back(text); });
    EXPECT_EQ(window.tree()->topLevelItemCount(), 2);
    EXPECT_EQ(window.viewButton(2), nullptr);
    window.tree()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    // Wine runs for the prefix: the choice applies to this run, and the user is told.
    quorvel::testing::RunningWineServer server(builder_.prefix());
    ASSERT_TRUE(server.running());
    window.accept();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("Wine is running"))) << notices[0].toStdString();
    EXPECT_EQ(selected(), (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace quorvel::ui
