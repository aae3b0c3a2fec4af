#include "ui/RegFindingsModel.h"

#include "core/paths/PathUtils.h"
#include "ui/UiText.h"

namespace quorvel::ui {

RegFindingsModel::RegFindingsModel(registry::RegFindings& findings,
                                   const core::LanguageTable& language, QObject* parent)
    : QAbstractListModel(parent), findings_(findings), language_(language) {
    ticks_.reserve(findings_.size());
    for (const registry::TRegData& finding : findings_)
        ticks_.push_back(finding.Checked ? 1 : 0);
}

int RegFindingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ticks_.size());
}

QVariant RegFindingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const registry::TRegData& finding = findings_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return uiText(language_, 11020, "Registry key:") + QLatin1Char(' ') +
                   toQ(core::RootKeyName(finding.RootKey)) + toQ(finding.KeyPath);
        case DescriptionRole:
            return toQ(finding.Description);
        case Qt::CheckStateRole:
            return ticks_[static_cast<std::size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

bool RegFindingsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount()) return false;
    setTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RegFindingsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

bool RegFindingsModel::isTicked(int row) const {
    return row >= 0 && row < rowCount() && ticks_[static_cast<std::size_t>(row)];
}

void RegFindingsModel::setTicked(int row, bool ticked) {
    if (row < 0 || row >= rowCount()) return;
    ticks_[static_cast<std::size_t>(row)] = ticked ? 1 : 0;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void RegFindingsModel::rebuild() {
    beginResetModel();
    endResetModel();
}

void RegFindingsModel::selectAll() {
    std::fill(ticks_.begin(), ticks_.end(), 1);
    rebuild();
}

void RegFindingsModel::deselectAll() {
    std::fill(ticks_.begin(), ticks_.end(), 0);
    rebuild();
}

void RegFindingsModel::inverse() {
    for (char& tick : ticks_)
        tick = tick ? 0 : 1;
    rebuild();
}

void RegFindingsModel::removeFinding(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    findings_.erase(static_cast<std::size_t>(row));
    ticks_.erase(ticks_.begin() + row);
    endRemoveRows();
}

void RegFindingsModel::apply() const {
    for (std::size_t i = 0; i < ticks_.size() && i < findings_.size(); ++i)
        findings_[i].Checked = ticks_[i] != 0;
}

}  // namespace quorvel::ui
