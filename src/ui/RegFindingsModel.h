#pragma once

#include <QAbstractListModel>
#include <vector>

#include "core/language/LanguageTable.h"
#include "registry/RegData.h"

namespace quorvel::ui {

// The rows of the registry results window: one per finding, in list order, with a check box.
// The ticks are a working copy; apply() writes them to the findings (OK), so closing without it
// changes nothing.
class RegFindingsModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Second text line of a row.
    static constexpr int DescriptionRole = Qt::UserRole + 1;

    RegFindingsModel(registry::RegFindings& findings, const core::LanguageTable& language,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    void selectAll();
    void deselectAll();
    void inverse();
    // Removes the finding of that row from the list (after it went to the ignore list); the
    // ticks of the rows after it move up with them.
    void removeFinding(int row);
    // Copies the ticks into the findings' Checked flags.
    void apply() const;

private:
    void rebuild();

    registry::RegFindings& findings_;
    const core::LanguageTable& language_;
    std::vector<char> ticks_;
};

}  // namespace quorvel::ui
