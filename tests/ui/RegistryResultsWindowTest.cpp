#include "ui/RegistryResultsWindow.h"

#include "core/settings/SettingsKeys.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;

// Five findings, HKLM and HKCU in turn; row 3 a value, row 1 unticked.
class RegistryResultsWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.key("HKLM\\Software\\Gone\\One");
        builder_.key("HKCU\\Software\\Gone\\Two");
        makeSession();
        for (int i = 0; i < 5; ++i) {
            registry::TRegData f;
            f.RootKey = i % 2 ? RootKey::CurrentUser : RootKey::LocalMachine;
            f.KeyPath = "\\Software\\Finding" + std::to_string(i);
            f.ValueName = i == 3 ? "Value3" : "";
            f.Kind = i == 3 ? registry::DeleteValue : registry::DeleteKey;
            f.Description = "Problem " + std::to_string(i);
            f.Checked = i != 1;
            session().regFindings().push_back(f);
        }
    }
    std::vector<bool> checked() {
        return testing::Each(session().regFindings(), [](const auto& f) { return f.Checked; });
    }
    std::vector<bool> ticked(TfrmRegistry& window) {
        std::vector<bool> out;
        for (int row = 0; row < window.model().rowCount(); ++row)
            out.push_back(window.model().isTicked(row));
        return out;
    }
    testing::LauncherLog log;
    Launcher launcher = log.launcher();
};

TEST_F(RegistryResultsWindowTest, RowsShowKeyAndDescription) {
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

TEST_F(RegistryResultsWindowTest, InverseSelectAllAndNoneAndOnlyOkKeepsTheTicks) {
    TfrmRegistry window(session(), launcher);
    window.actInverseExecute();
    EXPECT_EQ(ticked(window), (std::vector<bool>{false, true, false, false, false}));
    window.actInverseExecute();
    EXPECT_EQ(ticked(window), checked());
    window.actDeselectallExecute();
    EXPECT_EQ(ticked(window), std::vector<bool>(5, false));
    window.actSelectallExecute();
    EXPECT_EQ(ticked(window), std::vector<bool>(5, true));

    testing::ExpectOnlyOkKeeps<TfrmRegistry>(
        [](TfrmRegistry& w) {
            w.model().setData(w.model().index(2), Qt::Unchecked, Qt::CheckStateRole);
        },
        [this] { return checked(); }, {true, false, false, true, true}, session(), launcher);
    EXPECT_EQ(session().regFindings().size(), 5u) << "an unticked finding stays in the list";
}

TEST_F(RegistryResultsWindowTest, IgnoreRemovesExactlyTheSelectedFinding) {
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

TEST_F(RegistryResultsWindowTest, ParseRegPathRecognisesLongRootsAndChecksTheKey) {
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

TEST_F(RegistryResultsWindowTest, RegeditStartsAtTheKeyOrSaysWhyNot) {
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

}  // namespace
}  // namespace quorvel::ui
