#pragma once

#include <QStyledItemDelegate>

namespace quorvel::ui {

// Draws a registry finding as two lines: the key on the upper half, the description (grey
// unless the row is selected) on the lower half, both single-line, after the check box.
class RegFindingsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    static QRect checkRect(const QStyleOptionViewItem& option);
};

}  // namespace quorvel::ui
