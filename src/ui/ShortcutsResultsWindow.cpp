#include "ui/ShortcutsResultsWindow.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QStyle>
#include <QVBoxLayout>
#include <chrono>

#include "core/files/ShellWrappers.h"
#include "core/paths/PathUtils.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "shortcuts/FixShortcut.h"
#include "ui/UiText.h"

namespace quorvel::ui {
namespace {

enum Column { Name = 0, Target = 1, Location = 2, Description = 3 };

// "C:\x\y.lnk" -> ("y.lnk", "C:\x\").
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto sep = path.find_last_of('\\');
    if (sep == std::string::npos) return {path, {}};
    return {path.substr(sep + 1), path.substr(0, sep + 1)};
}

std::string pathOfRow(const QTreeWidgetItem* item) {
    return item->text(Location).toStdString() + item->text(Name).toStdString();
}

}  // namespace

TfrmShortcuts::TfrmShortcuts(AppSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("TfrmShortcuts"));
    const core::LanguageTable& lang = session_.language();
    setWindowTitle(uiText(lang, 29602, "Shortcuts Fixer"));
    resize(696, 453);

    Label1_ = new QLabel(uiText(lang, 10645,
                                "Please select the shortcuts you wish to fix or delete. Click an "
                                "item with your right mouse button to view additional options."),
                         this);
    Label1_->setWordWrap(true);
    ListView1_ = new QTreeWidget(this);
    ListView1_->setObjectName(QStringLiteral("ListView1"));
    ListView1_->setRootIsDecorated(false);
    ListView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1_->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1_->setHeaderLabels({uiText(lang, 10009, "Name"), uiText(lang, 17005, "Target"),
                                 uiText(lang, 17006, "Location"),
                                 uiText(lang, 10027, "Description")});
    ListView1_->setColumnWidth(Name, 160);
    ListView1_->setColumnWidth(Target, 200);
    ListView1_->setColumnWidth(Location, 160);
    ListView1_->header()->setStretchLastSection(true);

    btnOK_ = new QPushButton(uiText(lang, 10012, "OK"), this);
    btnCancel_ = new QPushButton(uiText(lang, 10013, "Cancel"), this);
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &TfrmShortcuts::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &TfrmShortcuts::reject);

    PopupMenu1_ = new QMenu(this);
    QAction* fix = PopupMenu1_->addAction(uiText(lang, 17003, "Fix Shortcut"), this,
                                          &TfrmShortcuts::actfixExecute);
    PopupMenu1_->addSeparator();
    PopupMenu1_->addAction(uiText(lang, 15009, "Check All"), this,
                           &TfrmShortcuts::actchkallExecute);
    PopupMenu1_->addAction(uiText(lang, 15010, "Check None"), this,
                           &TfrmShortcuts::actchknoneExecute);
    PopupMenu1_->addAction(uiText(lang, 15011, "Check Invert"), this,
                           &TfrmShortcuts::actchkinvertExecute);
    PopupMenu1_->addSeparator();
    QAction* folder = PopupMenu1_->addAction(uiText(lang, 10021, "Explorer"), this,
                                             &TfrmShortcuts::actfolderExecute);
    PopupMenu1_->addSeparator();
    QAction* properties = PopupMenu1_->addAction(uiText(lang, 10008, "Properties"), this,
                                                 &TfrmShortcuts::actpropertiesExecute);
    connect(ListView1_, &QWidget::customContextMenuRequested, this,
            [this, fix, folder, properties](const QPoint& at) {
                QTreeWidgetItem* item = ListView1_->itemAt(at);
                if (item) ListView1_->setCurrentItem(item);
                const int row = selectedRow();
                const bool isLink =
                    row >= 0 &&
                    !session_.shortcutFindings()[static_cast<std::size_t>(row)].IsFolder;
                fix->setEnabled(isLink);
                folder->setEnabled(row >= 0);
                properties->setEnabled(row >= 0);
                PopupMenu1_->popup(ListView1_->viewport()->mapToGlobal(at));
            });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1_);
    layout->addWidget(ListView1_, 1);
    layout->addLayout(buttons);
    fill();
}

void TfrmShortcuts::fill() {
    const QIcon linkIcon = style()->standardIcon(QStyle::SP_FileLinkIcon);
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const auto& f : session_.shortcutFindings()) {
        const auto [name, location] = splitPath(f.Path);
        auto* item = new QTreeWidgetItem(
            ListView1_, {toQ(name), toQ(f.Target), toQ(location), toQ(f.Description)});
        item->setIcon(Name, f.IsFolder ? folderIcon : linkIcon);
        item->setCheckState(Name, f.Checked ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(Target, toQ(f.Target));
    }
    if (ListView1_->topLevelItemCount() > 0)
        ListView1_->setCurrentItem(ListView1_->topLevelItem(0));
}

int TfrmShortcuts::selectedRow() const {
    const auto items = ListView1_->selectedItems();
    return items.isEmpty() ? -1 : ListView1_->indexOfTopLevelItem(items.front());
}

void TfrmShortcuts::setAllChecks(const std::function<bool(bool)>& next) {
    for (int i = 0; i < ListView1_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ListView1_->topLevelItem(i);
        const bool on = item->checkState(Name) == Qt::Checked;
        item->setCheckState(Name, next(on) ? Qt::Checked : Qt::Unchecked);
    }
}

std::optional<std::string> TfrmShortcuts::chooseWithDialog(QWidget* parent, const QString& title) {
    // The file dialog shows the host's folders; the chosen file is named as the machine names it.
    auto* wine = dynamic_cast<platform::wineprefix::WinePrefixMachine*>(&session_.machine());
    const QString start =
        wine ? QString::fromStdString((wine->prefix() / "drive_c").string()) : QString();
    const QString chosen =
        QFileDialog::getOpenFileName(parent, title, start, QStringLiteral("*.*"));
    if (chosen.isEmpty()) return std::nullopt;
    if (!wine) return chosen.toStdString();
    return wine->wineFileSystem().windowsPath(chosen.toStdString());
}

void TfrmShortcuts::actfixExecute() {
    const int row = selectedRow();
    auto& findings = session_.shortcutFindings();
    if (row < 0 || static_cast<std::size_t>(row) >= findings.size()) return;
    if (findings[static_cast<std::size_t>(row)].IsFolder) return;
    const QString title =
        uiText(session_.language(), 17007, "Select the new target of the shortcut");
    const auto target = choose_ ? choose_(this, title) : chooseWithDialog(this, title);
    if (!target || target->empty()) return;

    const auto fail = [&](const std::string& why) {
        if (showError_)
            showError_(this, toQ(why));
        else
            QMessageBox::warning(this, windowTitle(), toQ(why));
    };
    auto lock = session_.machine().lockForWriting({std::chrono::milliseconds(0), {}});
    if (!lock) return fail(lock.status().message());
    QTreeWidgetItem* item = ListView1_->topLevelItem(row);
    const auto reported = shortcuts::FixShortcut(session_.context(), pathOfRow(item), *target);
    if (!reported) return fail(reported.status().message());
    if (core::PathExists(session_.context(), *reported, false)) {
        // Mended: the repair must not delete it, and the list no longer shows it.
        findings.erase(static_cast<std::size_t>(row));
        delete ListView1_->takeTopLevelItem(row);
        return;
    }
    item->setText(Target, toQ(*reported));
    item->setCheckState(Name, Qt::Checked);
}

void TfrmShortcuts::actfolderExecute() {
    const int row = selectedRow();
    if (row < 0) return;
    const std::string location = ListView1_->topLevelItem(row)->text(Location).toStdString();
    if (!location.empty()) (void)session_.machine().shell().shellExecute("explore", location, "");
}

void TfrmShortcuts::actpropertiesExecute() {
    const int row = selectedRow();
    if (row < 0) return;
    (void)core::ShowPropertiesDialog(session_.machine().shell(),
                                     pathOfRow(ListView1_->topLevelItem(row)));
}

void TfrmShortcuts::accept() {
    auto& findings = session_.shortcutFindings();
    for (int i = 0; i < ListView1_->topLevelItemCount(); ++i) {
        if (static_cast<std::size_t>(i) >= findings.size()) break;
        findings[static_cast<std::size_t>(i)].Checked =
            ListView1_->topLevelItem(i)->checkState(Name) == Qt::Checked;
    }
    QDialog::accept();
}

}  // namespace quorvel::ui
