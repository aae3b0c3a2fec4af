#include "ui/RegistryResultsWindow.h"

#include "core/settings/SettingsKeys.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;

class RegistryResultsWindowTest : public testing::SessionTest {
protected:
    void SetUp() override {
        builder_.key("HKLM\\Software\\Gone\\One");
        builder_.key("HKCU\\Software\\Gone\\Two");
        makeSession();
        for (int i = 0; i < 5; ++i) {
            registry::TRegData finding;
            finding.RootKey = i % 2 ? RootKey::CurrentUser : RootKey::LocalMachine;
            finding.KeyPath = "\\Software\\Finding" + std::to_string(i);
            finding.ValueName = i == 3 ? "Value3" : "";
            finding.Kind = i == 3 ? registry::DeleteValue : registry::DeleteKey;
            finding.Description = "Problem " + std::to_string(i);
            finding.Checked = i != 1;  // row 1 starts unticked
            session().regFindings().push_back(finding);
        }
    }
    Launcher fakeLauncher() {
        Launcher l;
        l.openUrl = [](const QUrl&) { return true; };
        l.startDetached = [this](const QString& program, const QStringList& args,
                                 const QStringList& env) {
            started.push_back({program, args, env});
            return true;
        };
        return l;
    }
    std::vector<bool> checked() {
        std::vector<bool> out;
        for (const auto& f : session().regFindings())
            out.push_back(f.Checked);
        return out;
    }
    struct Start {
        QString program;
        QStringList arguments;
        QStringList environment;
    };
    std::vector<Start> started;
};

TEST_F(RegistryResultsWindowTest, RowsShowKeyAndDescription) {
    TfrmRegistry window(session(), fakeLauncher());
    RegFindingsModel& model = window.model();
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.index(0).data().toString(),
              QStringLiteral("Registry key: HKEY_LOCAL_MACHINE\\Software\\Finding0"));
    EXPECT_EQ(model.index(1).data(RegFindingsModel::DescriptionRole).toString(),
              QStringLiteral("Problem 1"));
    EXPECT_EQ(model.index(1).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Registry Cleaner"));
    // Two-line rows.
    const int rowHeight = window.tree()->sizeHintForRow(0);
    EXPECT_GE(rowHeight, 2 * window.fontMetrics().height());
}

TEST_F(RegistryResultsWindowTest, InverseTwiceRestoresEveryTick) {
    TfrmRegistry window(session(), fakeLauncher());
    window.actInverseExecute();
    EXPECT_FALSE(window.model().isTicked(0));
    EXPECT_TRUE(window.model().isTicked(1));
    window.actInverseExecute();
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(window.model().isTicked(row), row != 1) << row;
    window.actDeselectallExecute();
    for (int row = 0; row < 5; ++row)
        EXPECT_FALSE(window.model().isTicked(row));
    window.actSelectallExecute();
    for (int row = 0; row < 5; ++row)
        EXPECT_TRUE(window.model().isTicked(row));
}

TEST_F(RegistryResultsWindowTest, OkStoresTicksAndCancelChangesNothing) {
    {
        TfrmRegistry window(session(), fakeLauncher());
        window.model().setData(window.model().index(0), Qt::Unchecked, Qt::CheckStateRole);
        window.actSelectallExecute();
        window.model().setTicked(4, false);
        window.reject();
    }
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, true, true, true}));
    {
        TfrmRegistry window(session(), fakeLauncher());
        window.model().setData(window.model().index(2), Qt::Unchecked, Qt::CheckStateRole);
        window.accept();
        EXPECT_EQ(window.result(), QDialog::Accepted);
    }
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, false, true, true}));
    EXPECT_EQ(session().regFindings().size(), 5u) << "an unticked finding stays in the list";
}

TEST_F(RegistryResultsWindowTest, IgnoreRemovesExactlyTheSelectedFinding) {
    TfrmRegistry window(session(), fakeLauncher());
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
    EXPECT_FALSE(window.model().isTicked(3)) << "the row after moved up with its tick";
    EXPECT_FALSE(window.model().isTicked(1));
    EXPECT_TRUE(window.model().isTicked(2));

    const std::string entry = "HKEY_CURRENT_USER\\Software\\Finding3\\Value3";
    const auto& user = session().ignoreLists().UserIgnoreList;
    EXPECT_NE(std::find(user.begin(), user.end(), entry), user.end());
    EXPECT_TRUE(
        session().settings().valueExists(RootKey::CurrentUser, registry::kIgnoreListKey, entry));

    // Without a selection nothing is asked and nothing removed.
    window.tree()->selectionModel()->clearSelection();
    window.actIgnoreExecute();
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(session().regFindings().size(), 4u);
}

TEST_F(RegistryResultsWindowTest, ParseRegPathRecognisesRootsAndChecksTheKey) {
    platform::Registry& registry = session().machine().registry();
    ParsedRegPath p = ParseRegPath(registry, "hkey_local_machine\\Software\\Gone\\One");
    EXPECT_EQ(p.rootIndex, 3);
    EXPECT_EQ(p.subKey, "Software\\Gone\\One");
    EXPECT_EQ(ParseRegPath(registry, "HKEY_CURRENT_USER\\Software\\Gone\\Two").rootIndex, 2);
    EXPECT_EQ(ParseRegPath(registry, "HKEY_CURRENT_USER\\Software\\Missing").rootIndex, 0);
    EXPECT_EQ(ParseRegPath(registry, "HKLM\\Software").rootIndex, 0) << "long names only";
    EXPECT_EQ(ParseRegPath(registry, "HKEY_USERSX\\y").rootIndex, 0);
    EXPECT_EQ(ParseRegPath(registry, "").rootIndex, 0);
}

TEST_F(RegistryResultsWindowTest, RegeditStartsAtTheKeyOrSaysWhyNot) {
    RegistryEditor editor(session().machine().registry(), builder_.prefix(), fakeLauncher());
    if (RegistryEditor::findWine().isEmpty()) {
        EXPECT_FALSE(editor.available());
        EXPECT_FALSE(editor.unavailableReason().isEmpty());
        EXPECT_FALSE(editor.open("HKEY_LOCAL_MACHINE\\Software\\Gone\\One"));
        return;
    }
    EXPECT_FALSE(editor.open("HKEY_LOCAL_MACHINE\\Software\\NotThere"));
    EXPECT_TRUE(started.empty());
    ASSERT_TRUE(editor.open("hkey_local_machine\\Software\\Gone\\One"));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].arguments, QStringList{QStringLiteral("regedit")});
    EXPECT_TRUE(started[0].environment.contains(
        QStringLiteral("WINEPREFIX=") + QString::fromStdString(builder_.prefix().string())));
    // The key regedit selects at start, already on disk.
    auto fresh = builder_.build();
    core::SettingsStore freshSettings(fresh->registry());
    EXPECT_EQ(freshSettings.readString(RootKey::CurrentUser, kRegeditStateKey, "LastKey"),
              "HKEY_LOCAL_MACHINE\\Software\\Gone\\One");

    // Without a prefix the action is disabled with its reason.
    RegistryEditor none(session().machine().registry(), std::nullopt, fakeLauncher());
    EXPECT_FALSE(none.available());
    EXPECT_FALSE(none.unavailableReason().isEmpty());
}

}  // namespace
}  // namespace quorvel::ui
