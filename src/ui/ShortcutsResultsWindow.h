#pragma once

#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <optional>
#include <string>

#include "ui/AppSession.h"

namespace quorvel::ui {

// The shortcuts results window: reviews ShortcutFindings before a repair, one row per finding
// with its check box. OK stores the ticks in the findings' Checked flags; Cancel leaves them.
// Fix Shortcut points the selected shortcut at a file the user chooses: the shortcut is saved in
// place through the machine's shell at once (whatever closes the window); when its new target
// exists it is no longer broken and leaves the findings, otherwise its row shows the new target
// and stays ticked.
class TfrmShortcuts : public QDialog {
    Q_OBJECT
public:
    // Asks for the new target; the Windows path, or nullopt when the user cancels. Tests
    // replace the file dialog.
    using ChooseTarget = std::function<std::optional<std::string>(QWidget*, const QString&)>;
    // Shows a failure (the shortcut could not be re-pointed). Tests replace the message box.
    using ShowError = std::function<void(QWidget*, const QString&)>;

    explicit TfrmShortcuts(AppSession& session, QWidget* parent = nullptr);

    void setChooseTarget(ChooseTarget choose) { choose_ = std::move(choose); }
    void setShowError(ShowError show) { showError_ = std::move(show); }
    QTreeWidget* list() const { return ListView1_; }
    QMenu* popupMenu() const { return PopupMenu1_; }
    int selectedRow() const;

public slots:
    void actfixExecute();
    void actchkallExecute() {
        setAllChecks([](bool) { return true; });
    }
    void actchknoneExecute() {
        setAllChecks([](bool) { return false; });
    }
    void actchkinvertExecute() {
        setAllChecks([](bool on) { return !on; });
    }
    void actfolderExecute();
    void actpropertiesExecute();
    void accept() override;

private:
    void fill();
    void setAllChecks(const std::function<bool(bool)>& next);
    std::optional<std::string> chooseWithDialog(QWidget* parent, const QString& title);

    AppSession& session_;
    ChooseTarget choose_;
    ShowError showError_;
    QLabel* Label1_ = nullptr;
    QTreeWidget* ListView1_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QMenu* PopupMenu1_ = nullptr;
};

}  // namespace quorvel::ui
