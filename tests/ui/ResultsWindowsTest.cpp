// The four results windows of the one-click page's categories.
#include <tuple>

#include "core/files/ShellWrappers.h"
#include "core/settings/SettingsKeys.h"
#include "junk/JunkData.h"
#include "startup/StartupComments.h"
#include "support/RunningWineServer.h"
#include "ui/CommentWindow.h"
#include "ui/JunkResultsWindow.h"
#include "ui/RegistryResultsWindow.h"
#include "ui/ShortcutsResultsWindow.h"
#include "ui/StartupWindow.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;

const std::string kMenu =
    "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\";

// One built machine with the findings of each window: five registry findings (HKLM and HKCU in
// turn, row 3 a value, row 1 unticked), three shortcuts (the second unticked, the third an empty
// folder), three startup entries (two of an existing program rated either side of 80, one
// without a file). Junk records are added by each test.
class ResultsWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.key("HKLM\\Software\\Gone\\One");
        builder_.key("HKCU\\Software\\Gone\\Two");
        builder_.file("C:\\apps\\new.exe", "MZ");
        builder_.file("C:\\t\\tool.exe", "MZ");
        builder_.shortcut(kMenu + "One.lnk", "C:\\gone\\one.exe", "first");
        builder_.shortcut(kMenu + "Two.lnk", "C:\\gone\\two.exe", "second");
        makeSession();
        for (int i = 0; i < 5; ++i) {
            registry::TRegData& f = session().regFindings().emplace_back();
            f.RootKey = i % 2 ? RootKey::CurrentUser : RootKey::LocalMachine;
            f.KeyPath = "\\Software\\Finding" + std::to_string(i);
            f.ValueName = i == 3 ? "Value3" : "";
            f.Kind = i == 3 ? registry::DeleteValue : registry::DeleteKey;
            f.Description = "Problem " + std::to_string(i);
            f.Checked = i != 1;
        }
        auto& shortcuts = session().shortcutFindings();
        shortcuts.push_back({"C:\\gone\\one.exe", kMenu + "One.lnk", "first", 0, true, false});
        shortcuts.push_back({"C:\\gone\\two.exe", kMenu + "Two.lnk", "second", 0, false, false});
        shortcuts.push_back({"", kMenu + "Empty", "", 0, true, true});
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
    template <class List>
    static std::vector<bool> checked(const List& list) {
        return testing::Each(list, [](const auto& f) { return f.Checked; });
    }
    static std::vector<bool> ticked(TfrmRegistry& window) {
        std::vector<bool> out;
        for (int row = 0; row < window.model().rowCount(); ++row)
            out.push_back(window.model().isTicked(row));
        return out;
    }
    static std::vector<bool> listed(const TfrmShortcuts& window) {
        std::vector<bool> out;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            out.push_back(window.list()->topLevelItem(i)->checkState(0) == Qt::Checked);
        return out;
    }
    // The junk records of the first `records` categories: empty, 7 KB and 5 GB.
    void fill(int records) {
        const std::int64_t sizes[] = {0, 7168, 5368709120};
        for (int i = 0; i < records; ++i) {
            junk::TJunkData& d = session().junkFindings().emplace_back();
            d.Category = i;
            d.Size = sizes[i];
            d.Count = i == 0 ? 0 : 3;
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

    startup::StartupFindings findings;
    std::vector<QString> notices;
    testing::LauncherLog log;
    Launcher launcher = log.launcher();
};

// --- Registry ---

TEST_F(ResultsWindowTest, RegistryRowsShowKeyAndDescription) {
    TfrmRegistry window(session(), launcher);
    RegFindingsModel& model = window.model();
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.index(0).data().toString(),
              QStringLiteral("Registry key: HKEY_LOCAL_MACHINE\\Software\\Finding0"));
    EXPECT_EQ(model.index(1).data(RegFindingsModel::DescriptionRole).toString(),
              QStringLiteral("Problem 1"));
    EXPECT_EQ(model.index(1).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Registry Cleaner"));
    EXPECT_GE(window.tree()->sizeHintForRow(0), 2 * window.fontMetrics().height()) << "two lines";
}

TEST_F(ResultsWindowTest, RegistryInverseSelectAllAndNoneAndOnlyOkKeepsTheTicks) {
    TfrmRegistry window(session(), launcher);
    window.actInverseExecute();
    EXPECT_EQ(ticked(window), (std::vector<bool>{false, true, false, false, false}));
    window.actInverseExecute();
    EXPECT_EQ(ticked(window), checked(session().regFindings()));
    window.actDeselectallExecute();
    EXPECT_EQ(ticked(window), std::vector<bool>(5, false));
    window.actSelectallExecute();
    EXPECT_EQ(ticked(window), std::vector<bool>(5, true));

    testing::ExpectOnlyOkKeeps<TfrmRegistry>(
        [](TfrmRegistry& w) {
            w.model().setData(w.model().index(2), Qt::Unchecked, Qt::CheckStateRole);
        },
        [this] { return checked(session().regFindings()); }, {true, false, false, true, true},
        session(), launcher);
    EXPECT_EQ(session().regFindings().size(), 5u) << "an unticked finding stays in the list";
}

TEST_F(ResultsWindowTest, RegistryIgnoreRemovesExactlyTheSelectedFinding) {
    TfrmRegistry window(session(), launcher);
    int questions = 0;
    bool answer = false;
    window.setConfirm([&](QWidget*, const QString& caption, const QString&) {
        ++questions;
        EXPECT_EQ(caption, QStringLiteral("Warning"));
        return answer;
    });
    window.model().setTicked(4, false);  // an unsaved tick change on a row after the ignored one
    window.tree()->setCurrentIndex(window.model().index(3));
    window.actIgnoreExecute();  // answered No
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(session().regFindings().size(), 5u);

    answer = true;
    window.actIgnoreExecute();
    ASSERT_EQ(session().regFindings().size(), 4u);
    EXPECT_EQ(session().regFindings()[3].KeyPath, "\\Software\\Finding4");
    EXPECT_EQ(ticked(window), (std::vector<bool>{true, false, true, false}))
        << "the row after moved up with its tick";
    const std::string entry = "HKEY_CURRENT_USER\\Software\\Finding3\\Value3";
    EXPECT_TRUE(std::ranges::count(session().ignoreLists().UserIgnoreList, entry));
    EXPECT_TRUE(
        session().settings().valueExists(RootKey::CurrentUser, registry::kIgnoreListKey, entry));

    // Without a selection nothing is asked and nothing removed.
    window.tree()->selectionModel()->clearSelection();
    window.actIgnoreExecute();
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(session().regFindings().size(), 4u);
}

TEST_F(ResultsWindowTest, RegistryParseRegPathRecognisesLongRootsAndChecksTheKey) {
    platform::Registry& registry = session().machine().registry();
    EXPECT_EQ(ParseRegPath(registry, "hkey_local_machine\\Software\\Gone\\One").subKey,
              "Software\\Gone\\One");
    const std::pair<const char*, int> rows[] = {{"hkey_local_machine\\Software\\Gone\\One", 3},
                                                {"HKEY_CURRENT_USER\\Software\\Gone\\Two", 2},
                                                {"HKEY_CURRENT_USER\\Software\\Missing", 0},
                                                {"HKLM\\Software", 0},  // long names only
                                                {"HKEY_USERSX\\y", 0},
                                                {"", 0}};
    for (const auto& [path, root] : rows)
        EXPECT_EQ(ParseRegPath(registry, path).rootIndex, root) << path;
}

TEST_F(ResultsWindowTest, RegistryRegeditStartsAtTheKeyOrSaysWhyNot) {
    RegistryEditor editor(session().machine().registry(), builder_.prefix(), launcher);
    if (RegistryEditor::findWine().isEmpty()) {
        EXPECT_FALSE(editor.available());
        EXPECT_FALSE(editor.unavailableReason().isEmpty());
        EXPECT_FALSE(editor.open("HKEY_LOCAL_MACHINE\\Software\\Gone\\One"));
        return;
    }
    EXPECT_FALSE(editor.open("HKEY_LOCAL_MACHINE\\Software\\NotThere"));
    EXPECT_TRUE(log.started.empty());
    ASSERT_TRUE(editor.open("hkey_local_machine\\Software\\Gone\\One"));
    ASSERT_EQ(log.started.size(), 1u);
    EXPECT_EQ(log.started[0].arguments, QStringList{QStringLiteral("regedit")});
    EXPECT_TRUE(log.started[0].environment.contains(
        QStringLiteral("WINEPREFIX=") + QString::fromStdString(builder_.prefix().string())));
    // The key regedit selects at start, already on disk.
    auto fresh = builder_.build();
    EXPECT_EQ(core::SettingsStore(fresh->registry())
                  .readString(RootKey::CurrentUser, kRegeditStateKey, "LastKey"),
              "HKEY_LOCAL_MACHINE\\Software\\Gone\\One");

    // Without a prefix the action is disabled with its reason.
    RegistryEditor none(session().machine().registry(), std::nullopt, launcher);
    EXPECT_FALSE(none.available());
    EXPECT_FALSE(none.unavailableReason().isEmpty());
}

// --- Junk files ---

TEST_F(ResultsWindowTest, JunkShowsEveryCategoryWithCountAndSizeEvenWhenEmpty) {
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

TEST_F(ResultsWindowTest, JunkOkStoresTheTicksInFindingsAndRegistryCancelChangesNothing) {
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

TEST_F(ResultsWindowTest, JunkAStoppedScanShowsOnlyItsRecordsAndAnUnsavableChoiceIsReported) {
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

// --- Shortcuts ---

TEST_F(ResultsWindowTest, ShortcutsRowsChecksOkAndCancel) {
    {
        TfrmShortcuts window(session());
        const QTreeWidgetItem* first = window.list()->topLevelItem(0);
        EXPECT_EQ(first->text(0) + "|" + first->text(1) + "|" + first->text(3),
                  QStringLiteral("One.lnk|C:\\gone\\one.exe|first"));
        EXPECT_EQ(first->text(2).toStdString(), kMenu);
        window.actchkinvertExecute();
        EXPECT_EQ(listed(window), (std::vector<bool>{false, true, false}));
    }
    testing::ExpectOnlyOkKeeps<TfrmShortcuts>(
        [](TfrmShortcuts& w) {
            w.actchknoneExecute();
            w.list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
        },
        [this] { return checked(session().shortcutFindings()); }, {false, false, true}, session());
}

TEST_F(ResultsWindowTest, ShortcutsFixShortcutRepointsTheFileInPlace) {
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
    EXPECT_EQ(listed(window), (std::vector<bool>{true, true, true}));

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

// --- Startup ---

TEST_F(ResultsWindowTest, StartupDetailsNameAMissingProgramAndOnlyOkKeepsTheTicks) {
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
        [this] { return checked(findings); }, {true, false, true}, session(), findings);
}

TEST_F(ResultsWindowTest, StartupTheCommentWindowStoresTheOpinionAndShowsItAgain) {
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
