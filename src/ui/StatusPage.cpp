#include "ui/StatusPage.h"

#include <QGridLayout>

#include "core/Version.h"
#include "core/environment/HiddenText.h"
#include "core/settings/SettingsKeys.h"
#include "ui/AutocareOptionsDialog.h"
#include "ui/UiText.h"

namespace quorvel::ui {

TfrmStatus::TfrmStatus(AppSession& session, QWidget* parent) : SkinnedPage(session, parent) {
    setObjectName(QStringLiteral("TfrmStatus"));
    lbHeading_ = new QLabel(this);
    QFont heading = lbHeading_->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    heading.setBold(true);
    lbHeading_->setFont(heading);
    lbFacts_ = new QLabel(this);
    lbFacts_->setTextFormat(Qt::RichText);
    lbFacts_->setWordWrap(true);
    lbAutomatic_ = new QLabel(this);
    lbAutomatic_->setWordWrap(true);
    btnOptions_ = new QPushButton(this);
    connect(btnOptions_, &QPushButton::clicked, this, &TfrmStatus::btnOptionsClick);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(22, 18, 22, 18);
    layout->setVerticalSpacing(12);
    layout->addWidget(lbHeading_, 0, 0, 1, 2);
    layout->addWidget(lbFacts_, 1, 0, 1, 2);
    layout->addWidget(lbAutomatic_, 2, 0);
    layout->addWidget(btnOptions_, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(0, 1);
}

void TfrmStatus::retranslate() {
    const core::LanguageTable& lang = session_.language();
    lbHeading_->setText(uiText(lang, 10806, "Status"));
    btnOptions_->setText(uiText(lang, 10026, "Options"));
    refresh();
}

void TfrmStatus::applySkin() {
    SkinnedPage::applySkin();
    for (QLabel* label : {lbHeading_, lbFacts_, lbAutomatic_}) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, skinColor("text", palette().color(QPalette::Text)));
        label->setPalette(p);
    }
}

void TfrmStatus::refresh() {
    const core::TGlobalVars& g = session_.globals();
    auto row = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><td style='padding-right:14px'><b>%1</b></td><td>%2</td></tr>")
            .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
    };
    QString facts = QStringLiteral("<table>");
    facts += row(toQ(core::ProductTitle()),
                 QStringLiteral("Version ") + QString::fromLatin1(core::kProductVersion));
    facts += row(QStringLiteral("Machine"), toQ(session_.machine().displayName()));
    const platform::OsVersion v = session_.machine().environment().version();
    facts += row(QStringLiteral("Windows"),
                 QStringLiteral("%1.%2 (build %3)").arg(v.major).arg(v.minor).arg(v.build));
    facts += row(QStringLiteral("Backups"), toQ(g.BackupsDir));
    facts += QStringLiteral("</table>");
    lbFacts_->setText(facts);
    const bool scanfix =
        session_.settings()
            .readBool(platform::RootKey::CurrentUser, core::keys::kOneClick, "scanfix")
            .value_or(true);
    const core::LanguageTable& lang = session_.language();
    lbAutomatic_->setText(uiText(lang, 10852, "Automatic One-Click Options") +
                          QStringLiteral(": ") +
                          (scanfix ? uiText(lang, 10854, "Scan and repair problems")
                                   : uiText(lang, 10853, "Only scan for problems")));
}

void TfrmStatus::btnOptionsClick() {
    TfrmAutocareOptions dialog(session_, {}, this);
    dialog.exec();
    refresh();
}

}  // namespace quorvel::ui
