#include "platform/ui/qt/qt_layout_check.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTableView>

#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"

namespace ui {

namespace {

using qt::DialogView;

DialogView* ViewOf(const Dialog& dlg) {
  for (QWidget* w : QApplication::allWidgets()) {
    auto* view = dynamic_cast<DialogView*>(w);
    if (view && view->Dlg() == &dlg) return view;
  }
  return nullptr;
}

// The part of the view that its parents' client areas leave to be seen.
QRect VisibleArea(DialogView* view) {
  QRect area = view->rect();
  for (QWidget* a = view->parentWidget(); a; a = a->parentWidget())
    area &= QRect(view->mapFrom(a, QPoint(0, 0)), a->size());
  return area;
}

std::string RectText(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

// Records what an owner-drawn control writes, measured as the host measures.
class TextProbe : public Painter {
 public:
  struct Shown {
    std::string text;
    Font font;
  };
  explicit TextProbe(Rect clip) : m_clip(clip) {}
  void FillRect(const Rect&, Color) override {}
  void DrawLine(Point, Point, Color, int) override {}
  void DrawRoundRect(const Rect&, int, int, Color, int) override {}
  void DrawImage(const Image&, const Rect&, const Rect&) override {}
  void FillPattern(const Rect&, const Image&) override {}
  void DrawText(const std::string& gbk, const Rect&, const Font& font, Color, unsigned) override {
    m_shown.push_back({gbk, font});
  }
  Size MeasureText(const std::string& gbk, const Font& font) override {
    QFontMetrics fm(qt::ToQFont(font));
    return Size{fm.horizontalAdvance(qt::ToQ(gbk)), fm.height()};
  }
  void DrawFocusRect(const Rect&) override {}
  Rect ClipBox() const override { return m_clip; }
  const std::vector<Shown>& Texts() const { return m_shown; }

 private:
  Rect m_clip;
  std::vector<Shown> m_shown;
};

// Counts, dates, times and addresses lose their meaning when a list shortens them;
// words may end in "…".
bool IsFigure(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar ch : text)
    if (!ch.isDigit() && !QStringLiteral(".,:-/+ ").contains(ch)) return false;
  return true;
}

class Checker {
 public:
  Checker(Dialog& dlg, std::vector<LayoutFault>& faults) : m_dlg(dlg), m_faults(faults) {}

  // A caption in one line, or wrapped at the box's width when the box holds more.
  void Caption(const ui::Control& c, const QString& text, const QFont& font, const QRect& box, bool wraps) {
    if (text.isEmpty()) return;
    QFontMetrics fm(font);
    // Descenders and underscores count: a line needs its whole height.
    const int held = box.height() / fm.lineSpacing();
    if (held < 1) {
      Fault(c, "box " + std::to_string(box.height()) + " px high, a line of its caption needs " +
                   std::to_string(fm.lineSpacing()));
      return;
    }
    const int oneLine = fm.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::TextShowMnemonic, text).width();
    if (!wraps || held == 1) {
      if (oneLine > box.width())
        Fault(c, "caption " + std::to_string(oneLine) + " px wide, box " + std::to_string(box.width()) + " px");
      return;
    }
    const QRect wrapped =
        fm.boundingRect(QRect(0, 0, box.width(), 1 << 20), Qt::TextWordWrap | Qt::TextShowMnemonic, text);
    const int needed = (wrapped.height() + fm.lineSpacing() - 1) / fm.lineSpacing();
    if (wrapped.width() > box.width())
      Fault(c, "caption has a word " + std::to_string(wrapped.width()) + " px wide, box " +
                   std::to_string(box.width()) + " px");
    else if (needed > held)
      Fault(c, "caption needs " + std::to_string(needed) + " lines, box holds " + std::to_string(held));
  }

  void CheckControl(const ui::Control& c, QWidget* w) {
    const QRect box = w->geometry();
    if (!m_area.contains(box))
      Fault(c, "at " + RectText(box) + ", outside the visible area " + RectText(m_area));
    switch (c.kind) {
      case ControlKind::Static:
        Caption(c, qt::ToQ(c.text), w->font(), QRect(QPoint(0, 0), box.size()), true);
        break;
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
          QStyleOptionButton opt;
          opt.initFrom(b);
          opt.text = b->text();
          opt.rect = b->rect();
          const auto element =
              c.kind == ControlKind::CheckBox ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
          Caption(c, b->text(), b->font(), b->style()->subElementRect(element, &opt, b), false);
        }
        break;
      case ControlKind::Button:
        if (auto* p = qobject_cast<QPushButton*>(w)) {
          QStyleOptionButton opt;
          opt.initFrom(p);
          opt.text = p->text();
          opt.rect = p->rect();
          Caption(c, p->text(), p->font(), p->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, p), false);
        } else {
          OwnerDrawn(c, box.size());
        }
        break;
      case ControlKind::ListView:
        if (auto* t = qobject_cast<QTableView*>(w)) Cells(c, *t);
        break;
      default:
        break;
    }
  }

  // Every figure in a shown column whole at the column's width, measured as the list
  // draws it; one fault a column.
  void Cells(const ui::Control& c, const QTableView& table) {
    const QAbstractItemModel& model = *table.model();
    for (int col = 0; col < model.columnCount(); ++col) {
      if (table.isColumnHidden(col)) continue;
      for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, col);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!IsFigure(text)) continue;
        QStyleOptionViewItem option;
        option.initFrom(table.viewport());
        option.font = table.font();
        option.rect = QRect(0, 0, table.columnWidth(col), table.rowHeight(row));
        const int needed = table.itemDelegate()->sizeHint(option, index).width();
        if (needed <= option.rect.width()) continue;
        Fault(c, "column " + std::to_string(col) + ", row " + std::to_string(row) + ": " + text.toStdString() +
                     " needs " + std::to_string(needed) + " px, column " + std::to_string(option.rect.width()) + " px");
        break;
      }
    }
  }

  // What the owner draws in the button, in the font it draws with.
  void OwnerDrawn(const ui::Control& c, QSize size) {
    const Rect face{0, 0, size.width(), size.height()};
    TextProbe probe(face);
    DrawItemState state;
    state.rect = face;
    state.text = c.text;
    state.font = c.font;
    state.disabled = !c.enabled;
    state.isDefault = (c.style & style::kDefault) != 0;
    m_dlg.DrawItem(c.id, probe, state);
    for (const TextProbe::Shown& s : probe.Texts())
      Caption(c, qt::ToQ(s.text), qt::ToQFont(s.font), QRect(QPoint(0, 0), size), false);
  }

  void Run() {
    DialogView* view = ViewOf(m_dlg);
    if (!view) return;
    view->FlushLists();
    m_area = VisibleArea(view);
    for (QWidget* w : view->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      const ui::Control* c = view->ControlOf(w);
      if (!c || !c->visible || w->geometry().isEmpty()) continue;
      CheckControl(*c, w);
    }
    for (Dialog* child : m_dlg.Children()) Checker(*child, m_faults).Run();
  }

 private:
  void Fault(const ui::Control& c, std::string what) {
    m_faults.push_back(LayoutFault{m_dlg.TemplateId(), c.id, std::move(what)});
  }

  Dialog& m_dlg;
  std::vector<LayoutFault>& m_faults;
  QRect m_area;
};

}  // namespace

std::vector<LayoutFault> CheckLayout(Dialog& dlg) {
  std::vector<LayoutFault> faults;
  Checker(dlg, faults).Run();
  return faults;
}

std::string DescribeFault(const LayoutFault& fault) {
  return "dialog " + std::to_string(fault.dialogId) + ", control " + std::to_string(fault.controlId) + ": " +
         fault.what;
}

}  // namespace ui
