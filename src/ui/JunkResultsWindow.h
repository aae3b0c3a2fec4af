#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <functional>

#include "ui/AppSession.h"

namespace quorvel::ui {

// The junk results window: the junk categories of the last scan with their item counts and
// sizes, a tick per category and a button per category that opens its contents. OK stores the
// ticks in the findings' Selected flags and in the DiskCleaner key the next scan reads; Cancel
// changes nothing. Only the records a scan produced are shown (a stopped scan has fewer).
class TfrmJunk : public QDialog {
    Q_OBJECT
public:
    // Tells the user that something failed (the choice could not be saved, a folder could not
    // be opened). Tests replace the message box.
    using Notify = std::function<void(QWidget* parent, const QString& text)>;

    explicit TfrmJunk(AppSession& session, QWidget* parent = nullptr);

    void setNotify(Notify notify) { notify_ = std::move(notify); }
    QTreeWidget* tree() const { return vtree1_; }
    // The "View Files" button of a category; nullptr for a category without a record.
    QPushButton* viewButton(int category) const;

public slots:
    void accept() override;

private:
    void viewFiles(int category);
    void tell(const QString& text);

    AppSession& session_;
    Notify notify_;
    QLabel* Label1_ = nullptr;
    QTreeWidget* vtree1_ = nullptr;
    std::array<QPushButton*, 3> viewButtons_{};
    QPushButton* BitBtn2_ = nullptr;
    QPushButton* BitBtn1_ = nullptr;
};

}  // namespace quorvel::ui
