#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "startup/StartupData.h"
#include "ui/AppSession.h"

namespace quorvel::ui {

// The startup window: reviews StartupFindings before a repair. One row per finding with a
// check box, its rating bar, command, planned action and source; the details panel shows the
// program's version information and the rating band, and links to the comment window and the
// online startup library. OK copies the ticks into the findings' Checked flags; Cancel leaves
// them as they were. A rating given in the comment window is stored at once either way.
class TfrmStartup : public QDialog {
    Q_OBJECT
public:
    TfrmStartup(AppSession& session, startup::StartupFindings& findings, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return vTree1_; }
    QLabel* nameLabel() const { return lblname_; }
    QLabel* statusLabel() const { return lbstatus_; }
    int statusImage() const { return statusImage_; }
    // The details of a row (also on selection); -1 shows none.
    void showDetails(int row);
    // Opens the comment window for the selected row (tests may answer it through exec hooks).
    void commentEntry();
    void moreInfo();

public slots:
    void accept() override;

private:
    int selectedRow() const;

    AppSession& session_;
    startup::StartupFindings& findings_;
    QLabel* Label1_ = nullptr;
    QTreeWidget* vTree1_ = nullptr;
    QLabel* lblname_ = nullptr;
    QLabel* lblproduct_ = nullptr;
    QLabel* lblcompany_ = nullptr;
    QLabel* lbstatus_ = nullptr;
    QLabel* lbcomment_ = nullptr;
    QLabel* lbmoreinfo_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    int statusImage_ = 0;
};

}  // namespace quorvel::ui
