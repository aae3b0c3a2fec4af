#include "ui/RegFindingsDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "ui/RegFindingsModel.h"

namespace quorvel::ui {

QRect RegFindingsDelegate::checkRect(const QStyleOptionViewItem& option) {
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget);
    return {option.rect.left() + 6, option.rect.center().y() - h / 2, w, h};
}

QSize RegFindingsDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // Twice the usual row height.
    const int line = option.fontMetrics.height() + 4;
    return {option.rect.width(), 2 * line + 4};
}

void RegFindingsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    painter->save();
    QStyleOptionViewItem background = option;
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, option.widget);

    QStyleOptionButton check;
    check.rect = checkRect(option);
    check.state = QStyle::State_Enabled |
                  (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                         : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, option.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QRect text = option.rect.adjusted(check.rect.right() - option.rect.left() + 8, 0, -4, 0);
    const QRect upper(text.left(), text.top(), text.width(), text.height() / 2);
    const QRect lower(text.left(), text.top() + text.height() / 2, text.width(),
                      text.height() - text.height() / 2);
    const QColor main = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->setFont(option.font);
    painter->setPen(main);
    const QFontMetrics& fm = option.fontMetrics;
    painter->drawText(
        upper, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        fm.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, upper.width()));
    painter->setPen(selected ? main : QColor(0x80, 0x80, 0x80));
    painter->drawText(lower, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      fm.elidedText(index.data(RegFindingsModel::DescriptionRole).toString(),
                                    Qt::ElideRight, lower.width()));
    painter->restore();
}

bool RegFindingsDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                      const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    const bool toggle = (event->type() == QEvent::MouseButtonRelease &&
                         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                         checkRect(option)
                             .adjusted(-3, -3, 3, 3)
                             .contains(static_cast<QMouseEvent*>(event)->position().toPoint())) ||
                        event->type() == QEvent::MouseButtonDblClick;
    if (!toggle) return QStyledItemDelegate::editorEvent(event, model, option, index);
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
}

}  // namespace quorvel::ui
