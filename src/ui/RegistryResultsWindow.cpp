#include "ui/RegistryResultsWindow.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

#include "core/paths/PathUtils.h"
#include "ui/RegFindingsDelegate.h"
#include "ui/UiText.h"

namespace quorvel::ui {

TfrmRegistry::TfrmRegistry(AppSession& session, Launcher launcher, QWidget* parent)
    : QDialog(parent),
      session_(session),
      editor_(session.machine().registry(), session.prefix(), std::move(launcher)) {
    setObjectName(QStringLiteral("TfrmRegistry"));
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 29601, "Registry Fix"));
    resize(696, 453);

    model_ = new RegFindingsModel(session_.regFindings(), lang, this);
    Label1_ = new QLabel(uiText(lang, 10641,
                                "Please select registry entry you wish to fix. Click an item with "
                                "your right mouse button to view additional options."),
                         this);
    Label1_->setWordWrap(true);
    vtree1_ = new QListView(this);
    vtree1_->setObjectName(QStringLiteral("vtree1"));
    vtree1_->setModel(model_);
    vtree1_->setItemDelegate(new RegFindingsDelegate(vtree1_));
    vtree1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    vtree1_->setSelectionMode(QAbstractItemView::SingleSelection);
    vtree1_->setUniformItemSizes(true);
    vtree1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vtree1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vtree1_->setContextMenuPolicy(Qt::CustomContextMenu);

    btnOK_ = new QPushButton(uiText(lang, 10012, "OK"), this);
    btnCancel_ = new QPushButton(uiText(lang, 10013, "Cancel"), this);
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &TfrmRegistry::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &TfrmRegistry::reject);

    menu_ = new QMenu(this);
    menu_->addAction(uiText(lang, 15009, "Select All"), this, &TfrmRegistry::actSelectallExecute);
    menu_->addAction(uiText(lang, 15010, "Deselect All"), this,
                     &TfrmRegistry::actDeselectallExecute);
    menu_->addAction(uiText(lang, 15011, "Inverse Selection"), this,
                     &TfrmRegistry::actInverseExecute);
    menu_->addSeparator();
    QAction* ignore =
        menu_->addAction(uiText(lang, 11026, "Ignore"), this, &TfrmRegistry::actIgnoreExecute);
    menu_->addSeparator();
    actRegedit_ = menu_->addAction(uiText(lang, 11022, "Open in Regedit"), this,
                                   &TfrmRegistry::actRegeditExecute);
    // Without a way to start the editor the item stays visible but disabled, saying why.
    menu_->setToolTipsVisible(true);
    if (!editor_.available()) {
        actRegedit_->setEnabled(false);
        actRegedit_->setToolTip(editor_.unavailableReason());
    }
    connect(vtree1_, &QWidget::customContextMenuRequested, this, [this, ignore](const QPoint& at) {
        const QModelIndex row = vtree1_->indexAt(at);
        if (row.isValid()) vtree1_->setCurrentIndex(row);
        const bool hasRow = selectedRow() >= 0;
        ignore->setEnabled(hasRow);
        actRegedit_->setEnabled(hasRow && editor_.available());
        menu_->popup(vtree1_->viewport()->mapToGlobal(at));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1_);
    layout->addWidget(vtree1_, 1);
    layout->addLayout(buttons);
    if (model_->rowCount() > 0) vtree1_->setCurrentIndex(model_->index(0));
}

int TfrmRegistry::selectedRow() const {
    const QModelIndexList rows = vtree1_->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TfrmRegistry::actIgnoreExecute() {
    const int row = selectedRow();
    if (row < 0 || row >= model_->rowCount()) return;
    const core::LanguageTable& lang = session_.language();
    const QString caption = uiText(lang, 10044, "Warning");
    const QString text = uiText(lang, 11009, "Do you want to add this entry to the ignore list?");
    const bool yes =
        confirm_ ? confirm_(this, caption, text)
                 : QMessageBox::warning(this, caption, text, QMessageBox::Yes | QMessageBox::No,
                                        QMessageBox::No) == QMessageBox::Yes;
    if (!yes) return;
    const registry::TRegData& finding = session_.regFindings()[static_cast<std::size_t>(row)];
    const std::string entry =
        registry::IgnoreEntryFor(finding.RootKey, finding.KeyPath, finding.ValueName);
    (void)registry::AddToIgnoreList(session_.machine().registry(), session_.ignoreLists(), entry);
    session_.flush();
    model_->removeFinding(row);
}

void TfrmRegistry::actRegeditExecute() {
    const int row = selectedRow();
    if (row < 0) return;
    const registry::TRegData& finding = session_.regFindings()[static_cast<std::size_t>(row)];
    editor_.open(core::RootKeyName(finding.RootKey) + finding.KeyPath);
}

void TfrmRegistry::accept() {
    model_->apply();
    QDialog::accept();
}

}  // namespace quorvel::ui
