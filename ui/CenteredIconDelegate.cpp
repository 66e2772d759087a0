#include "ui/CenteredIconDelegate.h"

#include <QApplication>
#include <QPainter>

namespace Calvorn {

void CenteredIconDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QIcon icon = item.icon;
    item.icon = QIcon();
    item.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // The cell's background and selection as the style draws them, then the image on top.
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    if (!icon.isNull()) {
        const QSize size = item.decorationSize;
        const QRect target(item.rect.center().x() - size.width() / 2 + 1,
                           item.rect.center().y() - size.height() / 2 + 1, size.width(),
                           size.height());
        icon.paint(painter, target, Qt::AlignCenter);
    }
}

}  // namespace Calvorn
