#include "ui/StartupWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/files/ShellWrappers.h"
#include "startup/StartupComments.h"
#include "ui/CommentWindow.h"
#include "ui/UiText.h"

namespace quorvel::ui {

namespace {

constexpr int kRatingColumn = 1;
constexpr int kActionColumn = 3;
constexpr int kRatingRole = Qt::UserRole + 1;

// The rating bar: a green bar with a grey border, red from the left by the rating.
class RatingBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, QModelIndex());
        const int rating = index.data(kRatingRole).toInt();
        if (rating < 0) return;
        const QRect bar = option.rect.adjusted(2, 3, -2, -2);
        painter->save();
        painter->setPen(QColor(200, 200, 200));
        painter->setBrush(QColor(0, 255, 100));
        painter->drawRect(bar.adjusted(0, 0, -1, -1));
        const int red = static_cast<int>(std::lround(bar.width() * std::min(rating, 100) / 100.0));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(247, 56, 9));
        painter->drawRect(QRect(bar.left(), bar.top(), red, bar.height()));
        painter->restore();
    }
};

}  // namespace

TfrmStartup::TfrmStartup(AppSession& session, startup::StartupFindings& findings, QWidget* parent)
    : QDialog(parent), session_(session), findings_(findings) {
    setObjectName(QStringLiteral("TfrmStartup"));
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 29603, "Startup Manager"));
    resize(760, 480);
    Label1_ = new QLabel(
        uiText(lang, 10642, "Please select the startup entries you wish to disable."), this);
    Label1_->setWordWrap(true);

    vTree1_ = new QTreeWidget(this);
    vTree1_->setObjectName(QStringLiteral("vTree1"));
    vTree1_->setRootIsDecorated(false);
    vTree1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    vTree1_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Rating"),
                              QStringLiteral("Path"), QStringLiteral("Rating"),
                              QStringLiteral("Location")});
    vTree1_->setItemDelegateForColumn(kRatingColumn, new RatingBarDelegate(vTree1_));
    vTree1_->setTextElideMode(Qt::ElideRight);
    vTree1_->header()->resizeSection(0, 200);
    vTree1_->header()->resizeSection(1, 60);
    vTree1_->header()->resizeSection(2, 300);
    vTree1_->header()->resizeSection(3, 100);
    vTree1_->header()->resizeSection(4, 150);
    const QString disable = uiText(lang, 14025, "Disable");
    const QString keep = uiText(lang, 14026, "Keep");
    for (auto& f : findings_) {
        f.PendingChecked = f.Checked;
        auto* item = new QTreeWidgetItem(vTree1_);
        item->setText(0, toQ(f.Name));
        item->setData(kRatingColumn, kRatingRole, f.Rating);
        item->setText(2, toQ(f.Command));
        item->setText(kActionColumn, f.Checked ? disable : keep);
        item->setText(4, toQ(f.Location));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, f.Checked ? Qt::Checked : Qt::Unchecked);
    }
    connect(vTree1_, &QTreeWidget::itemChanged, this,
            [this, disable, keep](QTreeWidgetItem* item, int column) {
                if (column != 0) return;
                const int row = vTree1_->indexOfTopLevelItem(item);
                if (row < 0 || row >= static_cast<int>(findings_.size())) return;
                const bool checked = item->checkState(0) == Qt::Checked;
                findings_[static_cast<std::size_t>(row)].PendingChecked = checked;
                const QSignalBlocker block(vTree1_);
                item->setText(kActionColumn, checked ? disable : keep);
            });
    connect(vTree1_, &QTreeWidget::currentItemChanged, this,
            [this] { showDetails(selectedRow()); });

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel5"));
    lblname_ = new QLabel(panel);
    QFont bold = lblname_->font();
    bold.setBold(true);
    lblname_->setFont(bold);
    lblproduct_ = new QLabel(uiText(lang, 0, "No item selected."), panel);
    lblcompany_ = new QLabel(panel);
    lbstatus_ = new QLabel(panel);
    lbcomment_ = new QLabel(panel);
    lbmoreinfo_ = new QLabel(panel);
    for (QLabel* link : {lbcomment_, lbmoreinfo_}) {
        link->setTextFormat(Qt::RichText);
        link->setCursor(Qt::PointingHandCursor);
    }
    connect(lbcomment_, &QLabel::linkActivated, this, [this] { commentEntry(); });
    connect(lbmoreinfo_, &QLabel::linkActivated, this, [this] { moreInfo(); });
    auto* links = new QHBoxLayout;
    links->addWidget(lbstatus_);
    links->addSpacing(10);
    links->addWidget(lbcomment_);
    links->addSpacing(10);
    links->addWidget(lbmoreinfo_);
    links->addStretch();
    auto* details = new QVBoxLayout(panel);
    details->addWidget(lblname_);
    details->addWidget(lblproduct_);
    details->addWidget(lblcompany_);
    details->addLayout(links);

    btnOK_ = new QPushButton(uiText(lang, 10012, "OK"), this);
    btnCancel_ = new QPushButton(uiText(lang, 10013, "Cancel"), this);
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &TfrmStartup::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &TfrmStartup::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1_);
    layout->addWidget(vTree1_, 1);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    showDetails(-1);
}

int TfrmStartup::selectedRow() const {
    QTreeWidgetItem* item = vTree1_->currentItem();
    return item ? vTree1_->indexOfTopLevelItem(item) : -1;
}

void TfrmStartup::showDetails(int row) {
    const bool shown = row >= 0 && row < static_cast<int>(findings_.size());
    for (QLabel* label : {lbstatus_, lbcomment_, lbmoreinfo_})
        label->setVisible(shown);
    if (!shown) return;
    const core::LanguageTable& lang = session_.language();
    const startup::TStartupData& f = findings_[static_cast<std::size_t>(row)];
    const auto version = core::ReadVersionInfo(session_.machine().shell(), f.ProgramFile);
    const std::string& description = version[2];
    const std::string& company = version[1];
    const std::string& product = version[7];
    QString name = toQ(f.Name);
    if (!description.empty()) name += QStringLiteral(" (") + toQ(description) + QStringLiteral(")");
    if (f.ProgramFile.empty())
        name += QStringLiteral(" - ") + uiText(lang, 14015, "file not found");
    lblname_->setText(name);
    const QString unknown = uiText(lang, 14016, "Unknown");
    lblproduct_->setText(uiText(lang, 14017, "Product:") + QStringLiteral(" ") +
                         (product.empty() ? unknown : toQ(product)));
    lblcompany_->setText(uiText(lang, 14018, "Company:") + QStringLiteral(" ") +
                         (company.empty() ? unknown : toQ(company)));
    const startup::RatingBand band = startup::RatingBandOf(f.Rating);
    statusImage_ = band.image;
    lbstatus_->setText(uiText(lang, band.textId, ""));
    lbcomment_->setText(QStringLiteral("<a href=\"comment\">%1</a>")
                            .arg(uiText(lang, 14041, "Comment it").toHtmlEscaped()));
    lbmoreinfo_->setText(
        QStringLiteral("<a href=\"more\">%1</a>")
            .arg(uiText(lang, 14042, "Click here for more information about this entry")
                     .toHtmlEscaped()));
}

void TfrmStartup::commentEntry() {
    const int row = selectedRow();
    if (row < 0 || row >= static_cast<int>(findings_.size())) return;
    startup::TStartupData& f = findings_[static_cast<std::size_t>(row)];
    Tfrmcomment window(session_, f, this);
    if (window.exec() != QDialog::Accepted) return;
    f.Rating = window.rating();
    f.Comment = window.comment();
    vTree1_->topLevelItem(row)->setData(kRatingColumn, kRatingRole, f.Rating);
    showDetails(row);
}

void TfrmStartup::moreInfo() {
    const int row = selectedRow();
    if (row < 0 || row >= static_cast<int>(findings_.size())) return;
    const startup::TStartupData& f = findings_[static_cast<std::size_t>(row)];
    (void)session_.machine().shell().shellExecute(
        "open", startup::MoreInfoAddress(f.Name, f.ProgramFile), "");
}

void TfrmStartup::accept() {
    for (int row = 0; row < vTree1_->topLevelItemCount(); ++row) {
        if (row >= static_cast<int>(findings_.size())) break;
        findings_[static_cast<std::size_t>(row)].Checked =
            vTree1_->topLevelItem(row)->checkState(0) == Qt::Checked;
    }
    QDialog::accept();
}

}  // namespace quorvel::ui
