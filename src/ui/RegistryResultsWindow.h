#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <functional>

#include "registry/IgnoreLists.h"
#include "ui/AppSession.h"
#include "ui/RegFindingsModel.h"
#include "ui/RegistryEditor.h"

namespace quorvel::ui {

// The registry results window: reviews RegFindings before a repair. Rows carry check boxes;
// OK stores the ticks in the findings' Checked flags, Cancel leaves them as they were. Ignore
// puts the selected finding on the user's ignore list and removes it from the findings at once.
class TfrmRegistry : public QDialog {
    Q_OBJECT
public:
    // Asked before an entry goes to the ignore list; true for Yes. Tests replace the message box.
    using Confirm =
        std::function<bool(QWidget* parent, const QString& caption, const QString& text)>;

    TfrmRegistry(AppSession& session, Launcher launcher, QWidget* parent = nullptr);

    void setConfirm(Confirm confirm) { confirm_ = std::move(confirm); }
    RegFindingsModel& model() { return *model_; }
    QListView* tree() const { return vtree1_; }
    QMenu* popupMenu() const { return menu_; }
    QAction* regeditAction() const { return actRegedit_; }
    // The first selected row, or -1.
    int selectedRow() const;

public slots:
    void actSelectallExecute() { model_->selectAll(); }
    void actDeselectallExecute() { model_->deselectAll(); }
    void actInverseExecute() { model_->inverse(); }
    void actIgnoreExecute();
    void actRegeditExecute();
    void accept() override;

private:
    AppSession& session_;
    RegFindingsModel* model_ = nullptr;
    RegistryEditor editor_;
    Confirm confirm_;
    QLabel* Label1_ = nullptr;
    QListView* vtree1_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* actRegedit_ = nullptr;
};

}  // namespace quorvel::ui
