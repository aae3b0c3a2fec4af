#include "ui/CommentWindow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/formats/CompressedData.h"
#include "core/formats/HostFile.h"
#include "ui/UiText.h"

namespace quorvel::ui {

using startup::Opinion;

Tfrmcomment::Tfrmcomment(AppSession& session, const startup::TStartupData& entry, QWidget* parent)
    : QDialog(parent), session_(session), entry_(entry) {
    setObjectName(QStringLiteral("Tfrmcomment"));
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 14044, "Rate This Entry"));
    GroupBox1_ = new QGroupBox(toQ(entry.Name), this);
    ComboBoxEx1_ = new QComboBox(GroupBox1_);
    ComboBoxEx1_->setObjectName(QStringLiteral("ComboBoxEx1"));
    for (const auto& [id, english] : {std::pair{14038, "Unknown"}, std::pair{14036, "Safe"},
                                      std::pair{14040, "Dangerous"}, std::pair{14043, "Not rated"}})
        ComboBoxEx1_->addItem(uiText(lang, id, english));
    Memo1_ = new QPlainTextEdit(GroupBox1_);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    auto* group = new QVBoxLayout(GroupBox1_);
    group->addWidget(new QLabel(uiText(lang, 14045, "Your opinion of this entry:"), GroupBox1_));
    group->addWidget(ComboBoxEx1_);
    group->addWidget(new QLabel(uiText(lang, 14046, "Your comment:"), GroupBox1_));
    group->addWidget(Memo1_, 1);
    auto* share = new QLabel(uiText(lang, 14047, "Share your rating and comment."), this);
    share->setWordWrap(true);
    auto* btnsubmit = new QPushButton(uiText(lang, 14048, "Submit"), this);
    auto* btnok = new QPushButton(uiText(lang, 10012, "OK"), this);
    auto* btncancel = new QPushButton(uiText(lang, 10013, "Cancel"), this);
    btnok->setDefault(true);
    connect(btnsubmit, &QPushButton::clicked, this, [this] { submitComment(); });
    connect(btnok, &QPushButton::clicked, this, &Tfrmcomment::accept);
    connect(btncancel, &QPushButton::clicked, this, &Tfrmcomment::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnsubmit);
    buttons->addStretch();
    buttons->addWidget(btnok);
    buttons->addWidget(btncancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1_, 1);
    layout->addWidget(share);
    layout->addWidget(message_);
    layout->addLayout(buttons);

    // The stored opinion and comment of this entry.
    const auto stored =
        startup::ReadUserRating(session_.machine().registry(), entry.Name, entry.Command);
    ComboBoxEx1_->setCurrentIndex(stored.choice >= 0 && stored.choice < 4 ? stored.choice : 0);
    Memo1_->setPlainText(toQ(stored.comment));
}

Opinion Tfrmcomment::opinion() const {
    const int index = ComboBoxEx1_->currentIndex();
    return index < 0 || index > 3 ? Opinion::None : static_cast<Opinion>(index);
}

void Tfrmcomment::accept() {
    auto lock = session_.machine().lockForWriting(platform::LockWait{});
    platform::Status stored = lock.status();
    if (lock) {
        stored = startup::StoreUserRating(session_.machine().registry(), entry_.Name,
                                          entry_.Command, opinion(), fromQ(Memo1_->toPlainText()));
    }
    if (!stored) {
        // Not stored: the window stays open and says why.
        message_->setText(toQ(stored.message()));
        return;
    }
    rating_ = startup::RatingOfOpinion(opinion());
    comment_ = fromQ(Memo1_->toPlainText());
    QDialog::accept();
}

bool Tfrmcomment::submitComment() {
    const auto bytes = core::ReadHostFile(session_.programDir() / "data" / "htmldata.dat");
    const auto templ =
        bytes ? core::InflateContainer(*bytes) : platform::Result<std::string>(bytes.status());
    if (!templ) {
        message_->setText(toQ("The comment page cannot be read: " + templ.status().message()));
        return false;
    }
    startup::CommentPageFields fields{entry_.Name,     entry_.ProgramFile,           entry_.Command,
                                      entry_.Location, fromQ(Memo1_->toPlainText()), opinion()};
    const std::string page = startup::FillCommentPage(*templ, fields);
    const std::string path = session_.globals().TempDir + "quorvel_comments.html";
    auto& fs = session_.machine().fileSystem();
    if (auto s = fs.writeFile(path, page); !s) {
        message_->setText(toQ(s.message()));
        return false;
    }
    if (auto s = session_.machine().shell().shellExecute("open", path, ""); !s) {
        message_->setText(toQ(s.message()));
        return false;
    }
    return true;
}

}  // namespace quorvel::ui
