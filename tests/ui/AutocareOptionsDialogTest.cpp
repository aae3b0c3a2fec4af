#include "ui/AutocareOptionsDialog.h"

#include "core/settings/SettingsKeys.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;

class AutocareOptionsDialogTest : public testing::SessionTest {
protected:
    std::optional<bool> stored(std::string_view name) {
        return session().settings().readBool(RootKey::CurrentUser, core::keys::kOneClick, name);
    }
};

TEST_F(AutocareOptionsDialogTest, FirstOpenWritesDefaultsAndCancelStoresNothing) {
    {
        TfrmAutocareOptions dialog(session());
        EXPECT_EQ(stored("scanfix"), true);
        EXPECT_EQ(stored("createrestorepoint"), true);
        EXPECT_TRUE(dialog.rbscanfix()->isChecked());
        EXPECT_FALSE(dialog.rbscan()->isChecked());
        EXPECT_TRUE(dialog.cbRestorepoint()->isHidden());
        EXPECT_TRUE(dialog.btnTracks()->isHidden()) << "no tracks window yet";
        EXPECT_EQ(dialog.rbscan()->text(), QStringLiteral("Only scan for problems"));
        dialog.rbscan()->setChecked(true);
        dialog.reject();
    }
    EXPECT_EQ(stored("scanfix"), true);
}

TEST_F(AutocareOptionsDialogTest, OkStoresTheChoiceAndCarriesTheHiddenOptionThrough) {
    session().settings().writeBool(RootKey::CurrentUser, core::keys::kOneClick,
                                   "createrestorepoint", false);
    {
        TfrmAutocareOptions dialog(session());
        EXPECT_FALSE(dialog.cbRestorepoint()->isChecked());
        dialog.rbscan()->setChecked(true);
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored("scanfix"), false);
    EXPECT_EQ(stored("createrestorepoint"), false);
    int opened = 0;
    TfrmAutocareOptions again(session(), [&](QWidget*) { ++opened; });
    EXPECT_TRUE(again.rbscan()->isChecked());
    // Given a tracks window, the button opens it.
    EXPECT_FALSE(again.btnTracks()->isHidden());
    again.btnTracks()->click();
    EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace quorvel::ui
