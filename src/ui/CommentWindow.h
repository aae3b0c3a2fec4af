#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "startup/StartupComments.h"
#include "ui/AppSession.h"

namespace quorvel::ui {

// The comment window: the user's opinion of one startup entry and a free comment. OK stores
// both in the ratings key at once (under the machine's write lock); Submit opens the comment
// page, filled with the entry's values, in the user's browser.
class Tfrmcomment : public QDialog {
    Q_OBJECT
public:
    Tfrmcomment(AppSession& session, const startup::TStartupData& entry, QWidget* parent = nullptr);

    QComboBox* opinionBox() const { return ComboBoxEx1_; }
    QPlainTextEdit* memo() const { return Memo1_; }
    QLabel* messageLabel() const { return message_; }
    // What OK handed back.
    std::int32_t rating() const { return rating_; }
    const std::string& comment() const { return comment_; }

    // Writes the page to TEMP\quorvel_comments.html and opens it; false (with the reason shown)
    // when the template cannot be read or the page written.
    bool submitComment();

public slots:
    void accept() override;

private:
    startup::Opinion opinion() const;

    AppSession& session_;
    const startup::TStartupData& entry_;
    QGroupBox* GroupBox1_ = nullptr;
    QComboBox* ComboBoxEx1_ = nullptr;
    QPlainTextEdit* Memo1_ = nullptr;
    QLabel* message_ = nullptr;
    std::int32_t rating_ = startup::kNotRated;
    std::string comment_;
};

}  // namespace quorvel::ui
