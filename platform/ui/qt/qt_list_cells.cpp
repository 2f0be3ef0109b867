#include "platform/ui/qt/qt_list_cells.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace ui::qt {

namespace {

// Room between a cell's edge and its text or check box, as the Windows list view leaves.
constexpr int kTextMargin = 3;
constexpr int kCheckMargin = 2;

QStyle* StyleOf(const QStyleOptionViewItem& option) {
  return option.widget ? option.widget->style() : QApplication::style();
}

bool HasCheck(const QModelIndex& index) { return (index.flags() & Qt::ItemIsUserCheckable) != 0; }

QRect CheckRect(const QStyleOptionViewItem& option) {
  QStyle* style = StyleOf(option);
  const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
  const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget);
  const QRect& r = option.rect;
  return QRect(r.left() + kCheckMargin, r.top() + (r.height() - h) / 2, w, h);
}

QRect TextRect(const QStyleOptionViewItem& option, const QModelIndex& index) {
  QRect r = option.rect;
  if (HasCheck(index)) r.setLeft(CheckRect(option).right() + 1);
  return r.adjusted(kTextMargin, 0, -kTextMargin, 0);
}

QString ShownText(const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QString text = index.data(Qt::DisplayRole).toString();
  return QFontMetrics(option.font).elidedText(text, Qt::ElideRight, std::max(0, TextRect(option, index).width()));
}

}  // namespace

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  QStyle* style = StyleOf(opt);
  painter->save();
  opt.text.clear();
  opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  opt.state &= ~QStyle::State_HasFocus;
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);
  if (HasCheck(index)) {
    QStyleOptionViewItem check = opt;
    check.rect = CheckRect(option);
    check.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
    check.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, opt.widget);
  }
  const bool selected = (opt.state & QStyle::State_Selected) != 0;
  const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(opt.font);
  const Qt::Alignment align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
  painter->drawText(TextRect(option, index), int(align) | Qt::TextSingleLine, ShownText(option, index));
  painter->restore();
}

QSize ListCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  QFontMetrics fm(option.font);
  int w = fm.horizontalAdvance(text) + 2 * kTextMargin;
  if (HasCheck(index)) w += CheckRect(option).width() + kCheckMargin;
  return QSize(w, fm.height() + 4);
}

bool ListCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
  if (!HasCheck(index) || !(index.flags() & Qt::ItemIsEnabled)) return false;
  const auto toggle = [&] {
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      // The box a little larger than drawn, as a finger is not a pixel.
      if (me->button() != Qt::LeftButton || !CheckRect(option).adjusted(-2, -2, 2, 2).contains(me->position().toPoint()))
        return false;
      return event->type() == QEvent::MouseButtonRelease ? toggle() : true;
    }
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      return (ke->key() == Qt::Key_Space || ke->key() == Qt::Key_Select) && toggle();
    }
    default:
      return false;
  }
}

QString ListCellShownText(const QAbstractItemView&, const QStyleOptionViewItem& option, const QModelIndex& index) {
  return ShownText(option, index);
}

}  // namespace ui::qt
