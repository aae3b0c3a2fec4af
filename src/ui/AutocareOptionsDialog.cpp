#include "ui/AutocareOptionsDialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "oneclick/OneClickSettings.h"
#include "ui/UiText.h"

namespace quorvel::ui {

TfrmAutocareOptions::TfrmAutocareOptions(AppSession& session, TracksWindow tracks, QWidget* parent)
    : QDialog(parent), session_(session), tracks_(std::move(tracks)) {
    setObjectName(QStringLiteral("TfrmAutocareOptions"));
    GroupBox1_ = new QGroupBox(this);
    rbscan_ = new QRadioButton(GroupBox1_);
    rbscanfix_ = new QRadioButton(GroupBox1_);
    rbscanfix_->setChecked(true);
    cbRestorepoint_ = new QCheckBox(this);
    cbRestorepoint_->setChecked(true);
    cbRestorepoint_->setVisible(false);
    btnTracks_ = new QPushButton(this);
    btnTracks_->setVisible(static_cast<bool>(tracks_));
    btnOK_ = new QPushButton(this);
    btnCancel_ = new QPushButton(this);
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &TfrmAutocareOptions::btnOKClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnTracks_, &QPushButton::clicked, this, &TfrmAutocareOptions::btnTracksClick);

    auto* group = new QVBoxLayout(GroupBox1_);
    group->addWidget(rbscan_);
    group->addWidget(rbscanfix_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnTracks_);
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1_);
    layout->addWidget(cbRestorepoint_);
    layout->addStretch();
    layout->addLayout(buttons);
    FormCreate();
    setMinimumWidth(380);
}

void TfrmAutocareOptions::FormCreate() {
    const oneclick::AutocareOptions options =
        oneclick::LoadAutocareOptions(session_.machine().registry());
    session_.flush();
    rbscanfix_->setChecked(options.scanfix);
    rbscan_->setChecked(!options.scanfix);
    cbRestorepoint_->setChecked(options.createRestorePoint);
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 10852, "Automatic One-Click Options"));
    GroupBox1_->setTitle(uiText(lang, 11003, "Action"));
    rbscan_->setText(uiText(lang, 10853, "Only scan for problems"));
    rbscanfix_->setText(uiText(lang, 10854, "Scan and repair problems"));
    cbRestorepoint_->setText(QStringLiteral("Create restore point before correct problems"));
    btnTracks_->setText(uiText(lang, 10855, "Select tracks you want to erase"));
    btnOK_->setText(uiText(lang, 10012, "OK"));
    btnCancel_->setText(uiText(lang, 10013, "Cancel"));
}

void TfrmAutocareOptions::btnTracksClick() {
    if (tracks_) tracks_(this);
}

void TfrmAutocareOptions::btnOKClick() {
    oneclick::SaveAutocareOptions(session_.machine().registry(),
                                  {rbscanfix_->isChecked(), cbRestorepoint_->isChecked()});
    session_.flush();
    accept();
}

}  // namespace quorvel::ui
