#pragma once
// List view cells drawn as the Windows list view draws them: a narrow margin, the
// check box at the left of the first column, and a text shortened with "…" only when
// the column is too narrow for the text itself.
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace ui::qt {

class ListCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

// The text a cell shows in option.rect, as the delegate draws it.
QString ListCellShownText(const QAbstractItemView& view, const QStyleOptionViewItem& option, const QModelIndex& index);

}  // namespace ui::qt
