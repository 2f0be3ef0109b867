#include "platform/ui/qt/qt_control_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <type_traits>

#include "platform/ui/dialog.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_journal.h"
#include "platform/ui/qt/qt_list_cells.h"
#include "platform/ui/qt/qt_painter.h"
#include "platform/ui/resource_set.h"

namespace ui::qt {

namespace {

const QColor kFace(240, 240, 240);

QString DisplayText(const Control& c) { return ToQ(c.text); }

// Colours of check boxes, radio buttons and group boxes, as statics get them.
void ApplyTextColors(QWidget* w, const ControlColors& colors) {
  QPalette pal = w->palette();
  QColor text = colors.hasText ? ToQColor(colors.text) : QColor(0, 0, 0);
  // A disabled control keeps the grey text that tells the user it is disabled. The
  // box and its tick keep their own colours (Text): white text on a dark band would
  // otherwise draw a white tick in a white box, which looks disabled.
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::WindowText, text);
    pal.setColor(group, QPalette::ButtonText, text);
  }
  const QColor grey(128, 128, 128);
  pal.setColor(QPalette::Disabled, QPalette::WindowText, grey);
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
  bool fill = !colors.transparent;
  if (fill) pal.setColor(QPalette::Window, colors.hasBackground ? ToQColor(colors.background) : kFace);
  if (pal != w->palette()) w->setPalette(pal);
  if (w->autoFillBackground() != fill) w->setAutoFillBackground(fill);
}

// --- statics ---

class StaticWidget : public QWidget, public ControlWidget {
 public:
  StaticWidget(DialogView& v, Control& c, QWidget* parent) : QWidget(parent), ControlWidget(v, c) {}
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text || a == Aspect::Style) update();
    ControlWidget::Sync(a);
  }
  void ApplyColors(const ControlColors& colors) override {
    m_colors = colors;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!Dlg()) return;
    QPainter p(this);
    if (!m_colors.transparent) p.fillRect(rect(), m_colors.hasBackground ? ToQColor(m_colors.background) : kFace);
    const Control& c = m_control;
    int flags = Qt::TextShowMnemonic;
    flags |= (c.style & style::kCenter) ? Qt::AlignHCenter : (c.style & style::kRight) ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (c.style & style::kCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
    flags |= Qt::TextWordWrap;
    p.setFont(ToQFont(c.font));
    p.setPen(m_colors.hasText ? ToQColor(m_colors.text) : QColor(0, 0, 0));
    if (!c.enabled) p.setPen(QColor(128, 128, 128));
    p.drawText(rect(), flags, DisplayText(c));
    if (c.style & style::kBorder) {
      p.setPen(QColor(160, 160, 160));
      p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint())) return;
    if (Dialog* d = Dlg(); d && (m_control.style & style::kNotify)) {
      d->Click(m_control.id);
      AfterEvent();
    }
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    if (Dialog* d = Dlg(); d && (m_control.style & style::kNotify)) {
      d->DoubleClick(m_control.id);
      AfterEvent();
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    // A plain static is part of the dialog's surface (dragging a borderless window).
    if (!(m_control.style & style::kNotify)) e->ignore();
  }

 private:
  ControlColors m_colors;
};

class PictureWidget : public QWidget, public ControlWidget {
 public:
  PictureWidget(DialogView& v, Control& c, QWidget* parent) : QWidget(parent), ControlWidget(v, c) {}
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Image || a == Aspect::Style) update();
    ControlWidget::Sync(a);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!Dlg()) return;
    const Control& c = m_control;
    const Image* img = (c.style & style::kIcon) ? LoadIcon(c.imageId) : LoadBitmap(c.imageId);
    if (!img || img->IsNull()) return;
    QPainter p(this);
    QImage q = ToQImage(*img);
    if (c.style & style::kStretch) {
      p.drawImage(rect(), q);
    } else if (c.style & style::kCenterImage) {
      p.drawImage(QPoint((width() - q.width()) / 2, (height() - q.height()) / 2), q);
    } else {
      p.drawImage(QPoint(0, 0), q);
    }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    if (Dialog* d = Dlg(); d && (m_control.style & style::kNotify)) {
      d->Click(m_control.id);
      AfterEvent();
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (!(m_control.style & style::kNotify)) e->ignore();
  }
};

// --- buttons ---

class PushButtonWidget : public QPushButton, public ControlWidget {
 public:
  PushButtonWidget(DialogView& v, Control& c, QWidget* parent) : QPushButton(parent), ControlWidget(v, c) {
    // Enter is the dialog's business: only a template's default button is default.
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, [this] {
      if (Dialog* d = Dlg()) {
        d->Click(m_control.id);
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text) setText(DisplayText(m_control));
    if (a == Aspect::Style) setDefault((m_control.style & style::kDefault) != 0);
    ControlWidget::Sync(a);
  }
};

class OwnerDrawWidget : public QAbstractButton, public ControlWidget {
 public:
  OwnerDrawWidget(DialogView& v, Control& c, QWidget* parent) : QAbstractButton(parent), ControlWidget(v, c) {
    setMouseTracking(true);
    // Tab and a dialog's first focus reach only buttons that are tab stops (the
    // caption's close box is not); a click focuses any.
    setFocusPolicy((c.style & style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    connect(this, &QAbstractButton::clicked, [this] {
      if (Dialog* d = Dlg()) {
        d->Click(m_control.id);
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text || a == Aspect::Style) update();
    ControlWidget::Sync(a);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    Dialog* d = Dlg();
    if (!d) return;
    QPainter qp(this);
    DrawItemState state;
    state.rect = Rect{0, 0, width(), height()};
    state.selected = isDown();
    state.focus = hasFocus();
    state.disabled = !isEnabled();
    state.isDefault = (m_control.style & style::kDefault) != 0;
    state.text = m_control.text;
    state.font = m_control.font;
    QtPainter painter(qp, state.rect);
    d->DrawItem(m_control.id, painter, state);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (Dialog* d = Dlg()) {
      d->MouseMove(m_control.id);
      // The hover time is a millisecond: the notice follows at once.
      if (m_tracking && !m_hoverSent) {
        m_hoverSent = true;
        d->MouseHover(m_control.id);
      }
    }
    QAbstractButton::mouseMoveEvent(e);
  }
  void enterEvent(QEnterEvent* e) override {
    QMouseEvent move(QEvent::MouseMove, e->position(), e->globalPosition(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    mouseMoveEvent(&move);
  }
  void leaveEvent(QEvent*) override {
    Dialog* d = Dlg();
    if (d && m_tracking) {
      m_tracking = false;
      m_hoverSent = false;
      d->MouseLeave(m_control.id);
    }
  }
  void focusInEvent(QFocusEvent* e) override {
    QAbstractButton::focusInEvent(e);
    update();
  }
  void focusOutEvent(QFocusEvent* e) override {
    QAbstractButton::focusOutEvent(e);
    update();
  }

 private:
  bool m_hoverSent = false;
};

// The controls of the group that holds c: from the one with kGroup at or before it to
// the one before the next kGroup.
std::vector<Control*> GroupOf(const Dialog& dlg, const Control& c) {
  const auto& all = dlg.Controls();
  size_t at = 0;
  while (at < all.size() && all[at].get() != &c) ++at;
  if (at == all.size()) return {};
  size_t first = at;
  while (first > 0 && !(all[first]->style & style::kGroup)) --first;
  std::vector<Control*> group;
  for (size_t i = first; i < all.size() && (i == first || !(all[i]->style & style::kGroup)); ++i)
    group.push_back(all[i].get());
  return group;
}

// A group of radio buttons is one Tab stop: its checked button (the first that is a
// stop when none is checked).
void SetRadioStops(DialogView& view, const Dialog& dlg, const Control& c) {
  const std::vector<Control*> group = GroupOf(dlg, c);
  const bool anyChecked = std::any_of(group.begin(), group.end(), [](const Control* g) {
    return g->kind == ControlKind::RadioButton && g->check;
  });
  for (const Control* g : group) {
    ControlWidget* w = g->kind == ControlKind::RadioButton ? view.WidgetOf(g->id) : nullptr;
    if (!w) continue;
    const bool stop = (g->style & style::kTabStop) && (g->check || !anyChecked);
    w->Widget()->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// Check boxes and radio buttons: the model decides the state and keeps the groups.
template <class Box>
class CheckableWidget : public Box, public ControlWidget {
 public:
  CheckableWidget(DialogView& v, Control& c, QWidget* parent) : Box(parent), ControlWidget(v, c) {
    if constexpr (std::is_same_v<Box, QRadioButton>) this->setAutoExclusive(false);
    QObject::connect(this, &Box::clicked, [this] {
      if (Dialog* d = Dlg()) {
        d->Click(m_control.id);
        if (Dlg()) Sync(Aspect::Check);
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text) this->setText(DisplayText(m_control));
    if (a == Aspect::Check) this->setChecked(m_control.check != 0);
    if constexpr (kRadio)
      if ((a == Aspect::Check || a == Aspect::Style) && Dlg()) SetRadioStops(m_view, *Dlg(), m_control);
    ControlWidget::Sync(a);
  }
  void ApplyColors(const ControlColors& colors) override { ApplyTextColors(this, colors); }

 protected:
  // The whole control takes the click, beside its text too, as the user expects.
  bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
  void keyPressEvent(QKeyEvent* e) override {
    if constexpr (kRadio)
      if (e->modifiers() == Qt::NoModifier && MoveInGroup(e->key())) {
        e->accept();
        return;
      }
    Box::keyPressEvent(e);
  }

 private:
  static constexpr bool kRadio = std::is_same_v<Box, QRadioButton>;

  // The arrows go round the group to the next control that takes the focus; a radio
  // button reached so is checked, as a click checks it.
  bool MoveInGroup(int key) {
    const bool forward = key == Qt::Key_Down || key == Qt::Key_Right;
    if (!forward && key != Qt::Key_Up && key != Qt::Key_Left) return false;
    Dialog* d = Dlg();
    if (!d) return false;
    const std::vector<Control*> group = GroupOf(*d, m_control);
    const int n = static_cast<int>(group.size());
    const int at = static_cast<int>(std::find(group.begin(), group.end(), &m_control) - group.begin());
    for (int step = 1; step < n; ++step) {
      Control* next = group[static_cast<size_t>((at + (forward ? step : n - step)) % n)];
      ControlWidget* w = next->enabled && next->visible ? m_view.WidgetOf(next->id) : nullptr;
      if (!w || w->Widget()->focusPolicy() == Qt::NoFocus) continue;
      w->Widget()->setFocus(Qt::OtherFocusReason);
      if (next->kind == ControlKind::RadioButton && !next->check && (next->style & style::kAutoCheck) && Dlg()) {
        Dlg()->Click(next->id);
        if (Dlg()) AfterEvent();
      }
      return true;
    }
    return true;
  }
};
using CheckWidget = CheckableWidget<QCheckBox>;
using RadioWidget = CheckableWidget<QRadioButton>;

class GroupWidget : public QGroupBox, public ControlWidget {
 public:
  GroupWidget(DialogView& v, Control& c, QWidget* parent) : QGroupBox(parent), ControlWidget(v, c) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text) setTitle(DisplayText(m_control));
    ControlWidget::Sync(a);
  }
  void ApplyColors(const ControlColors& colors) override { ApplyTextColors(this, colors); }
};

// --- edits ---

class LineEditWidget : public QLineEdit, public ControlWidget {
 public:
  LineEditWidget(DialogView& v, Control& c, QWidget* parent) : QLineEdit(parent), ControlWidget(v, c) {
    connect(this, &QLineEdit::textEdited, [this](const QString& s) {
      if (Dialog* d = Dlg()) {
        d->UserEdit(m_control.id, FromQ(s));
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text && FromQ(text()) != m_control.text) {
      // A box given its text shows the start of it.
      setText(ToQ(m_control.text));
      setCursorPosition(0);
    }
    if (a == Aspect::Style) {
      setEchoMode((m_control.style & style::kPassword) ? QLineEdit::Password : QLineEdit::Normal);
      setReadOnly((m_control.style & style::kReadOnly) != 0);
    }
    if (a == Aspect::SelectAll) selectAll();
    ControlWidget::Sync(a);
  }
};

class TextEditWidget : public QPlainTextEdit, public ControlWidget {
 public:
  TextEditWidget(DialogView& v, Control& c, QWidget* parent) : QPlainTextEdit(parent), ControlWidget(v, c) {
    // In a dialog Tab goes on to the next control, as from any other box.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, [this] {
      if (m_syncing) return;
      if (Dialog* d = Dlg()) {
        d->UserEdit(m_control.id, FromQMultiline(toPlainText()));
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Text && FromQMultiline(toPlainText()) != m_control.text) {
      m_syncing = true;
      setPlainText(ToQMultiline(m_control.text));
      m_syncing = false;
    }
    if (a == Aspect::Style) {
      setReadOnly((m_control.style & style::kReadOnly) != 0);
      setLineWrapMode((m_control.style & style::kHScroll) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    }
    if (a == Aspect::SelectAll) selectAll();
    ControlWidget::Sync(a);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    // An edit that wants returns starts a new line on every Enter, with Shift or Ctrl
    // or from the keypad too, as one line of text a line.
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (m_control.style & style::kWantReturn) && !isReadOnly() && !(e->modifiers() & Qt::AltModifier)) {
      insertPlainText(QStringLiteral("\n"));
      ensureCursorVisible();
      e->accept();
      return;
    }
    QPlainTextEdit::keyPressEvent(e);
  }
};

// --- list view ---

// A header whose column pictures (the sort arrows) stand right of the caption.
class ListHeader : public QHeaderView {
 public:
  explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}
  void SetPicture(int column, const QPixmap& picture) {
    if (picture.isNull()) m_pictures.erase(column);
    else m_pictures[column] = picture;
    viewport()->update();
  }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override {
    QHeaderView::paintSection(painter, rect, logical);
    auto it = m_pictures.find(logical);
    if (it == m_pictures.end()) return;
    const QPixmap& picture = it->second;
    constexpr int kMargin = 4;
    const QString caption = model()->headerData(logical, orientation(), Qt::DisplayRole).toString();
    const int textRight = rect.left() + kMargin + fontMetrics().horizontalAdvance(caption);
    const int x = std::min(textRight + kMargin, rect.right() - kMargin - picture.width());
    painter->save();
    painter->setClipRect(rect);
    painter->drawPixmap(std::max(rect.left() + kMargin, x), rect.center().y() - picture.height() / 2, picture);
    painter->restore();
  }

 private:
  std::map<int, QPixmap> m_pictures;
};

class ListWidget : public QTableWidget, public ControlWidget {
 public:
  ListWidget(DialogView& v, Control& c, QWidget* parent) : QTableWidget(parent), ControlWidget(v, c) {
    setHorizontalHeader(new ListHeader(this));
    setItemDelegate(new ListCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab goes on to the next control; the arrow keys move inside the list.
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(ToQFont(c.font).pixelSize() + 8);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, [this](int col) {
      if (Dialog* d = Dlg()) {
        d->UserClickColumn(m_control.id, col);
        AfterEvent();
      }
    });
    connect(this, &QTableWidget::cellClicked, [this](int row, int) {
      if (Dialog* d = Dlg()) {
        d->ClickRow(m_control.id, row);
        AfterEvent();
      }
    });
    connect(this, &QTableWidget::cellDoubleClicked, [this](int row, int) { DoubleClickRow(row); });
    connect(this, &QTableWidget::customContextMenuRequested, [this](const QPoint& pos) {
      if (Dialog* d = Dlg()) {
        QPoint global = viewport()->mapToGlobal(pos);
        d->RightClick(m_control.id, rowAt(pos.y()), Point{global.x(), global.y()});
        AfterEvent();
      }
    });
    connect(this, &QTableWidget::itemSelectionChanged, [this] {
      if (m_syncing) return;
      if (Dialog* d = Dlg()) {
        auto rows = selectionModel()->selectedRows();
        d->UserSelectRow(m_control.id, rows.isEmpty() ? -1 : rows.first().row());
        AfterEvent();
      }
    });
    connect(this, &QTableWidget::itemChanged, [this](QTableWidgetItem* item) {
      if (m_syncing || item->column() != 0 || !(m_control.list.ExtendedStyle() & list_style::kCheckBoxes)) return;
      const int row = item->row();
      const bool checked = item->checkState() == Qt::Checked;
      if (Dialog* d = Dlg()) {
        d->UserCheckRow(m_control.id, row, checked);
        AfterEvent();
      }
      // The box shows what the dialog keeps, which a handler may have refused.
      if (Dlg() && m_control.list.Check(row) != checked) m_view.ScheduleListFlush(this);
    });
  }
  QWidget* Widget() override { return this; }

 protected:
  // Space ticks the selected row's box, wherever in the row the focus is.
  void keyPressEvent(QKeyEvent* e) override {
    const bool checks = (m_control.list.ExtendedStyle() & list_style::kCheckBoxes) != 0;
    QTableWidgetItem* box = checks && currentRow() >= 0 ? item(currentRow(), 0) : nullptr;
    if (box && e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier && (box->flags() & Qt::ItemIsUserCheckable)) {
      box->setCheckState(box->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
      e->accept();
      return;
    }
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = e->key();
    // With no row selected, the arrows select the row that shows the focus first.
    if (plain && (key == Qt::Key_Down || key == Qt::Key_Up) && rowCount() > 0 && selectedItems().isEmpty()) {
      setCurrentCell(std::max(currentRow(), 0), std::max(currentColumn(), 0));
      e->accept();
      return;
    }
    // Home and End go to the first and the last row.
    if (plain && (key == Qt::Key_Home || key == Qt::Key_End)) {
      QKeyEvent rows(e->type(), key, e->modifiers() | Qt::ControlModifier, e->text());
      QTableWidget::keyPressEvent(&rows);
      e->setAccepted(rows.isAccepted());
      return;
    }
    QTableWidget::keyPressEvent(e);
  }
  // The keyboard reaches the list at its first row when no row has the focus yet.
  void focusInEvent(QFocusEvent* e) override {
    QTableWidget::focusInEvent(e);
    if (e->reason() != Qt::MouseFocusReason && !currentIndex().isValid() && rowCount() > 0)
      selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
  }
  // Beside the rows: a click clears the selection and a double click reports no row,
  // as a list view's do.
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && !indexAt(e->position().toPoint()).isValid()) clearSelection();
    QTableWidget::mousePressEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    const bool empty = e->button() == Qt::LeftButton && !indexAt(e->position().toPoint()).isValid();
    QTableWidget::mouseReleaseEvent(e);
    if (Dialog* d = empty ? Dlg() : nullptr) {
      d->ClickRow(m_control.id, -1);
      AfterEvent();
    }
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    const bool empty = e->button() == Qt::LeftButton && !indexAt(e->position().toPoint()).isValid();
    QTableWidget::mouseDoubleClickEvent(e);
    if (empty) DoubleClickRow(-1);
  }

 private:
  void DoubleClickRow(int row) {
    Dialog* d = Dlg();
    if (!d) return;
    if (JournalEnabled())
      Journal("dblclick " + std::to_string(d->TemplateId()) + " " + std::to_string(m_control.id) + " " + std::to_string(row));
    d->DoubleClick(m_control.id, row);
    AfterEvent();
  }

 public:
  void Sync(Aspect a) override {
    if (a == Aspect::List) m_view.ScheduleListFlush(this);
    ControlWidget::Sync(a);
  }
  void Flush() override {
    m_syncing = true;
    const ListModel& m = m_control.list;
    const bool checks = (m.ExtendedStyle() & list_style::kCheckBoxes) != 0;
    setShowGrid((m.ExtendedStyle() & list_style::kGridLines) != 0);
    setColumnCount(m.ColumnCount());
    for (int c = 0; c < m.ColumnCount(); ++c) {
      const ListColumn& col = *m.Column(c);
      auto* header = new QTableWidgetItem(ToQ(col.caption));
      const bool pictured = col.image >= 0 && col.image < static_cast<int>(m.HeaderImages().size());
      static_cast<ListHeader*>(horizontalHeader())
          ->SetPicture(c, pictured ? QPixmap::fromImage(ToQImage(m.HeaderImages()[static_cast<size_t>(col.image)])) : QPixmap());
      header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      setHorizontalHeaderItem(c, header);
      setColumnHidden(c, col.width <= 0);
      if (col.width > 0) setColumnWidth(c, col.width);
    }
    setRowCount(m.ItemCount());
    clearSelection();
    for (int r = 0; r < m.ItemCount(); ++r) {
      for (int c = 0; c < std::max(1, m.ColumnCount()); ++c) {
        auto* item = new QTableWidgetItem(ToQ(m.ItemText(r, c)));
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (c == 0 && checks) {
          flags |= Qt::ItemIsUserCheckable;
          item->setCheckState(m.Check(r) ? Qt::Checked : Qt::Unchecked);
        }
        item->setFlags(flags);
        const ListColumn* col = m.Column(c);
        Align align = col ? col->align : Align::Left;
        item->setTextAlignment((align == Align::Right ? Qt::AlignRight : align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft) |
                               Qt::AlignVCenter);
        setItem(r, c, item);
      }
      if (m.IsSelected(r)) selectRow(r);
    }
    m_syncing = false;
  }
};

// --- tabs, progress ---

class TabWidget : public QTabBar, public ControlWidget {
 public:
  TabWidget(DialogView& v, Control& c, QWidget* parent) : QTabBar(parent), ControlWidget(v, c) {
    setExpanding(false);
    setDrawBase(true);
    // The scroll buttons come with icons that a desktop without an icon theme leaves
    // blank; arrows are drawn by the style itself. Like the strip's own arrows they
    // take clicks only, no Tab stop.
    for (QToolButton* b : findChildren<QToolButton*>()) {
      b->setFocusPolicy(Qt::NoFocus);
      if (b->objectName() == QLatin1String("ScrollLeftButton")) b->setArrowType(Qt::LeftArrow);
      if (b->objectName() == QLatin1String("ScrollRightButton")) b->setArrowType(Qt::RightArrow);
    }
    connect(this, &QTabBar::currentChanged, [this](int index) {
      if (m_syncing || index < 0) return;
      if (Dialog* d = Dlg()) {
        d->UserSelectTab(m_control.id, index);
        AfterEvent();
      }
    });
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Geometry || a == Aspect::Font || a == Aspect::Tabs) {
      // The strip is one row of tabs at the top of the control's area; what lies below
      // (a list over the lower part) must not hide its scroll buttons.
      const QRect r = ToQRect(m_control.rect);
      setGeometry(r.x(), r.y(), r.width(), std::min(r.height(), std::max(1, sizeHint().height())));
      if (a == Aspect::Geometry) return;
    }
    if (a == Aspect::Tabs) {
      m_syncing = true;
      while (count() > static_cast<int>(m_control.tabs.size())) removeTab(count() - 1);
      for (size_t i = 0; i < m_control.tabs.size(); ++i) {
        if (static_cast<int>(i) < count()) setTabText(static_cast<int>(i), ToQ(m_control.tabs[i]));
        else addTab(ToQ(m_control.tabs[i]));
      }
      if (m_control.tabSelection >= 0 && m_control.tabSelection < count()) setCurrentIndex(m_control.tabSelection);
      m_syncing = false;
    }
    ControlWidget::Sync(a);
  }
};

class ProgressWidget : public QProgressBar, public ControlWidget {
 public:
  ProgressWidget(DialogView& v, Control& c, QWidget* parent) : QProgressBar(parent), ControlWidget(v, c) {
    setTextVisible(false);
  }
  QWidget* Widget() override { return this; }
  void Sync(Aspect a) override {
    if (a == Aspect::Progress) {
      setRange(m_control.progressMin, std::max(m_control.progressMin, m_control.progressMax));
      setValue(m_control.progressPos);
    }
    ControlWidget::Sync(a);
  }
};

}  // namespace

Dialog* ControlWidget::Dlg() const { return m_view.Dlg(); }

void ControlWidget::AfterEvent() {
  if (m_view.Dlg()) m_view.RefreshLook();
}

void ControlWidget::Sync(Aspect a) {
  QWidget* w = Widget();
  switch (a) {
    case Aspect::Enabled: {
      QWidget* focus = w->window()->focusWidget();
      const bool holds = focus && (focus == w || w->isAncestorOf(focus));
      if (!m_control.enabled && holds) {
        // A disabled control keeps the focus until the user moves it.
        QtHost::Impl& host = m_view.Host();
        host.keepFocus = true;
        w->setEnabled(false);
        host.keepFocus = false;
      } else {
        w->setEnabled(m_control.enabled);
      }
      // Enabled again, it has the focus back where nothing took it meanwhile.
      if (m_control.enabled && holds && QApplication::focusWidget() != focus) focus->setFocus(Qt::OtherFocusReason);
      break;
    }
    case Aspect::Visible:
      w->setVisible(m_control.visible);
      break;
    case Aspect::Geometry:
      w->setGeometry(ToQRect(m_control.rect));
      break;
    case Aspect::Font:
      w->setFont(ToQFont(m_control.font));
      break;
    case Aspect::Tooltip:
      w->setToolTip(ToQ(m_control.tooltip));
      break;
    case Aspect::Focus:
      w->setFocus(Qt::OtherFocusReason);
      break;
    case Aspect::Region:
      if (m_control.roundCorners.cx > 0 && m_control.roundCorners.cy > 0) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, w->width() + 1, w->height() + 1), m_control.roundCorners.cx / 2.0,
                            m_control.roundCorners.cy / 2.0);
        w->setMask(QRegion(path.toFillPolygon().toPolygon()));
      } else {
        w->clearMask();
      }
      break;
    default:
      break;
  }
}

void ControlWidget::ApplyColors(const ControlColors&) {}

void ControlWidget::SyncAll() {
  for (Aspect a : {Aspect::Geometry, Aspect::Font, Aspect::Style, Aspect::Text, Aspect::Check, Aspect::Tooltip,
                   Aspect::Image, Aspect::Progress, Aspect::List, Aspect::Tabs, Aspect::Region, Aspect::Enabled,
                   Aspect::Visible})
    Sync(a);
}

ControlWidget* MakeControlWidget(DialogView& view, Control& c, QWidget* parent) {
  switch (c.kind) {
    case ControlKind::Static:
      return new StaticWidget(view, c, parent);
    case ControlKind::Picture:
      return new PictureWidget(view, c, parent);
    case ControlKind::Button:
      if (c.IsOwnerDrawn()) return new OwnerDrawWidget(view, c, parent);
      return new PushButtonWidget(view, c, parent);
    case ControlKind::CheckBox:
      return new CheckWidget(view, c, parent);
    case ControlKind::RadioButton:
      return new RadioWidget(view, c, parent);
    case ControlKind::GroupBox:
      return new GroupWidget(view, c, parent);
    case ControlKind::Edit:
      if (c.IsMultiline()) return new TextEditWidget(view, c, parent);
      return new LineEditWidget(view, c, parent);
    case ControlKind::ListView:
      return new ListWidget(view, c, parent);
    case ControlKind::Tab:
      return new TabWidget(view, c, parent);
    case ControlKind::Progress:
      return new ProgressWidget(view, c, parent);
  }
  return new StaticWidget(view, c, parent);
}

}  // namespace ui::qt
