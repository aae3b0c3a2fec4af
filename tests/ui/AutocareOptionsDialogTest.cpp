#include "ui/AutocareOptionsDialog.h"

#include "core/settings/SettingsKeys.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;
namespace keys = core::keys;

class AutocareOptionsDialogTest : public testing::SessionTest {
protected:
    std::optional<bool> stored(std::string_view name) {
        return session().settings().readBool(RootKey::CurrentUser, keys::kOneClick, name);
    }
};

TEST_F(AutocareOptionsDialogTest, FirstOpenWritesDefaultsAndShowsScanAndRepair) {
    TfrmAutocareOptions dialog(session());
    EXPECT_EQ(stored("scanfix"), true);
    EXPECT_EQ(stored("createrestorepoint"), true);
    EXPECT_TRUE(dialog.rbscanfix()->isChecked());
    EXPECT_FALSE(dialog.rbscan()->isChecked());
    EXPECT_TRUE(dialog.cbRestorepoint()->isHidden());
    EXPECT_TRUE(dialog.btnTracks()->isHidden()) << "no tracks window yet";
    EXPECT_EQ(dialog.rbscan()->text(), QStringLiteral("Only scan for problems"));
}

TEST_F(AutocareOptionsDialogTest, OkStoresTheChoiceAndCarriesTheHiddenOptionThrough) {
    session().settings().writeBool(RootKey::CurrentUser, keys::kOneClick, "createrestorepoint",
                                   false);
    {
        TfrmAutocareOptions dialog(session());
        EXPECT_FALSE(dialog.cbRestorepoint()->isChecked());
        dialog.rbscan()->setChecked(true);
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored("scanfix"), false);
    EXPECT_EQ(stored("createrestorepoint"), false);

    TfrmAutocareOptions again(session());
    EXPECT_TRUE(again.rbscan()->isChecked());
}

TEST_F(AutocareOptionsDialogTest, CancelStoresNothing) {
    {
        TfrmAutocareOptions dialog(session());
        dialog.rbscan()->setChecked(true);
        dialog.reject();
    }
    EXPECT_EQ(stored("scanfix"), true);
}

TEST_F(AutocareOptionsDialogTest, TracksButtonOpensTheGivenWindow) {
    int opened = 0;
    TfrmAutocareOptions dialog(session(), [&](QWidget*) { ++opened; });
    EXPECT_FALSE(dialog.btnTracks()->isHidden());
    dialog.btnTracks()->click();
    EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace quorvel::ui
