// Draws an item's image centred in its cell, as the status column shows its status images.
#pragma once

#include <QStyledItemDelegate>

namespace Calvorn {

class CenteredIconDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace Calvorn
