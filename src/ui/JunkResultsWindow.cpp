#include "ui/JunkResultsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QVBoxLayout>

#include "core/paths/PathUtils.h"
#include "junk/JunkData.h"
#include "platform/Shell.h"
#include "ui/UiText.h"

namespace quorvel::ui {

namespace {

constexpr const char* kRecycleBinFolder = "::{645FF040-5081-101B-9F08-00AA002F954E}";

QString categoryName(const core::LanguageTable& lang, int category) {
    switch (category) {
        case 0:
            return uiText(lang, 18036, "Recycle Bin");
        case 1:
            return uiText(lang, 18034, "Temporary Files");
        default:
            return uiText(lang, 18054, "Temporary Internet Files");
    }
}

}  // namespace

TfrmJunk::TfrmJunk(AppSession& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("Tfrmjunk"));
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 29604, "Temporary Files"));
    resize(520, 360);

    Label1_ = new QLabel(uiText(lang, 10637, "Please select files you wish to delete."), this);
    vtree1_ = new QTreeWidget(this);
    vtree1_->setObjectName(QStringLiteral("vtree1"));
    vtree1_->setColumnCount(2);
    vtree1_->setHeaderLabels({QStringLiteral("Objects"), QString()});
    vtree1_->header()->setStretchLastSection(false);
    vtree1_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    vtree1_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    vtree1_->setSelectionMode(QAbstractItemView::NoSelection);

    const junk::JunkFindings& findings = session_.junkFindings();
    const std::size_t shown = std::min<std::size_t>(findings.size(), junk::kJunkCategoryCount);
    for (std::size_t i = 0; i < shown; ++i) {
        const junk::TJunkData& record = findings[i];
        auto* node = new QTreeWidgetItem(vtree1_);
        node->setText(0, categoryName(lang, static_cast<int>(i)));
        QFont bold = node->font(0);
        bold.setBold(true);
        node->setFont(0, bold);
        node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        node->setCheckState(0, record.Selected ? Qt::Checked : Qt::Unchecked);
        auto* detail = new QTreeWidgetItem(node);
        detail->setFlags(Qt::ItemIsEnabled);
        detail->setText(0, uiText(lang, 10639, "%s files, %s2", std::to_string(record.Count),
                                  core::FormatSize(record.Size)));
        auto* view = new QPushButton(uiText(lang, 10638, "View Files"), vtree1_);
        const int category = static_cast<int>(i);
        connect(view, &QPushButton::clicked, this, [this, category] { viewFiles(category); });
        vtree1_->setItemWidget(node, 1, view);
        viewButtons_[i] = view;
    }
    vtree1_->expandAll();
    // The detail lines are always shown.
    connect(vtree1_, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem* item) { item->setExpanded(true); });

    BitBtn2_ = new QPushButton(uiText(lang, 10012, "OK"), this);
    BitBtn1_ = new QPushButton(uiText(lang, 10013, "Cancel"), this);
    BitBtn2_->setDefault(true);
    connect(BitBtn2_, &QPushButton::clicked, this, &TfrmJunk::accept);
    connect(BitBtn1_, &QPushButton::clicked, this, &TfrmJunk::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn2_);
    buttons->addWidget(BitBtn1_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1_);
    layout->addWidget(vtree1_, 1);
    layout->addLayout(buttons);
}

QPushButton* TfrmJunk::viewButton(int category) const {
    if (category < 0 || category >= junk::kJunkCategoryCount) return nullptr;
    return viewButtons_[static_cast<std::size_t>(category)];
}

void TfrmJunk::viewFiles(int category) {
    platform::Shell& shell = session_.machine().shell();
    platform::Status s;
    if (category == 0) {
        s = shell.shellExecute("open", "explorer.exe", kRecycleBinFolder);
    } else {
        const std::string folder = category == 1
                                       ? session_.globals().TempDir
                                       : shell.specialFolder(platform::csidl::InternetCache);
        if (folder.empty()) return;
        s = shell.shellExecute("open", folder, "");
    }
    if (!s) tell(toQ(s.message()));
}

void TfrmJunk::accept() {
    junk::JunkFindings& findings = session_.junkFindings();
    std::vector<std::pair<int, bool>> choice;
    for (int i = 0; i < vtree1_->topLevelItemCount(); ++i) {
        const bool ticked = vtree1_->topLevelItem(i)->checkState(0) == Qt::Checked;
        junk::TJunkData& record = findings[static_cast<std::size_t>(i)];
        record.Selected = ticked;
        choice.emplace_back(record.Category, ticked);
    }
    // The ticks apply to this run in any case; they become the next scan's default once saved.
    platform::Machine& machine = session_.machine();
    auto lock = machine.lockForWriting();
    platform::Status saved = lock.status();
    for (std::size_t i = 0; saved && i < choice.size(); ++i)
        saved = junk::StoreCategorySelected(machine, choice[i].first, choice[i].second);
    if (saved) saved = session_.flush();
    if (!saved) tell(toQ(saved.message()));
    QDialog::accept();
}

void TfrmJunk::tell(const QString& text) {
    if (notify_) {
        notify_(this, text);
        return;
    }
    QMessageBox::warning(this, windowTitle(), text);
}

}  // namespace quorvel::ui
