#include "platform/ui/dialog.h"

#include <algorithm>
#include <vector>

#include "platform/ui/ui_hooks.h"
#include "platform/ui/control_ref.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/modal_runs.h"
#include "platform/ui/resource_set.h"

namespace ui {

namespace {
const Color kFaceColor = Rgb(240, 240, 240);

bool HasCaption(const DialogTemplate* t) { return t && (t->style & dialog_style::kCaption) != 0; }

// Modal runs nest on the user-interface thread only.
std::vector<Dialog*>& ModalRuns() {
  static std::vector<Dialog*> runs;
  return runs;
}
}  // namespace

Dialog* InnermostModal() { return ModalRuns().empty() ? nullptr : ModalRuns().back(); }

Dialog::Dialog(int templateId) : m_templateId(templateId) {}

Dialog::~Dialog() {
  if (m_created) Unbuild();
}

Host* Dialog::CurrentOrNull() const { return m_created ? m_host : nullptr; }

bool Dialog::Build(Dialog* parent) {
  if (m_created) return false;
  m_template = FindDialogTemplate(m_templateId);
  m_host = CurrentHost();
  if (!m_template || !m_host) return false;
  const BaseUnits units = BaseUnitsFor(m_template->fontFace, m_template->fontPoints);
  const Font font{m_template->fontFace, m_template->fontPoints};
  m_controls.clear();
  for (const auto& t : m_template->controls) {
    auto c = std::make_unique<Control>();
    c->id = t.id;
    c->kind = t.kind;
    c->style = t.style;
    c->text = t.text;
    c->rect = DialogUnitsToPixels(Rect{t.x, t.y, t.x + t.cx, t.y + t.cy}, units);
    c->visible = (t.style & style::kHidden) == 0;
    c->enabled = (t.style & style::kDisabled) == 0;
    c->font = font;
    c->imageId = t.imageId;
    m_controls.push_back(std::move(c));
  }
  m_caption = m_template->caption;
  Size client = DialogUnitsToPixels(Size{m_template->cx, m_template->cy}, units);
  Size outer = client;
  if (HasCaption(m_template)) {
    outer.cx += 2 * kFrameWidth;
    outer.cy += kCaptionHeight + 2 * kFrameWidth;
  }
  if (parent) {
    m_windowRect = Rect::FromSize(0, 0, outer.cx, outer.cy);
  } else {
    Rect work = m_host->WorkArea();
    m_windowRect = Rect::FromSize(work.left + (work.Width() - outer.cx) / 2, work.top + (work.Height() - outer.cy) / 2,
                                  outer.cx, outer.cy);
  }
  m_parent = parent;
  if (parent) parent->m_children.push_back(this);
  m_visible = false;
  m_minimized = false;
  m_ended = false;
  m_result = 0;
  m_focusId = 0;
  m_created = true;
  m_host->CreateView(*this);
  return true;
}

void Dialog::Unbuild() {
  auto children = m_children;
  for (Dialog* child : children) child->DestroyWindow();
  OnDestroy();
  if (m_host) m_host->DestroyView(*this);
  for (auto& c : m_controls) {
    if (c->binding) {
      c->binding->m_dialog = nullptr;
      c->binding->m_control = nullptr;
      c->binding = nullptr;
    }
  }
  m_controls.clear();
  if (m_parent) {
    auto& siblings = m_parent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_parent = nullptr;
  }
  m_created = false;
  m_visible = false;
}

int Dialog::DoModal() {
  // Known before the window is made, so that the host makes it modal from the start.
  m_modal = true;
  if (!Build(nullptr)) {
    m_modal = false;
    return -1;
  }
  OnInitDialog();
  if (!m_ended) {
    if (!m_visible) ShowWindow(ShowMode::Show);
    ModalRuns().push_back(this);
    m_host->RunModal(*this);
    ModalRuns().erase(std::find(ModalRuns().begin(), ModalRuns().end(), this));
  }
  int result = m_result;
  Unbuild();
  m_modal = false;
  return result;
}

bool Dialog::Create(Dialog* parent) {
  if (!Build(parent)) return false;
  m_modal = false;
  OnInitDialog();
  if (m_template->style & dialog_style::kVisible) ShowWindow(ShowMode::Show);
  return true;
}

void Dialog::DestroyWindow() {
  if (m_created) Unbuild();
}

void Dialog::EndDialog(int result) {
  m_result = result;
  m_ended = true;
  if (!m_created) return;
  if (m_modal) {
    m_host->EndModal(*this);
  } else {
    ShowWindow(ShowMode::Hide);
  }
}

// --- overridables ---

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::PreTranslateKey(const KeyEvent& key) {
  const Control* focus = key.focusId ? Item(key.focusId) : nullptr;
  if (key.key == Key::Enter) {
    if (key.focusWantsEnter || (focus && focus->IsMultiline() && (focus->style & style::kWantReturn))) return false;
    int id = kIdOk;
    if (focus && focus->kind == ControlKind::Button) {
      id = focus->id;
    } else if (IsChild()) {
      // A page has no default button of its own: the dialog that holds it decides.
      return false;
    } else {
      for (const auto& c : m_controls) {
        if (c->kind == ControlKind::Button && (c->style & style::kDefault)) {
          id = c->id;
          break;
        }
      }
    }
    const Control* button = Item(id);
    if (button && (!button->enabled || !button->visible)) return true;
    SendCommand(id);
    return true;
  }
  if (key.key == Key::Escape) {
    // A page has no Cancel of its own: Esc cancels the dialog that holds it.
    if (IsChild()) return false;
    const Control* cancel = Item(kIdCancel);
    if (cancel && !cancel->enabled) return true;
    SendCommand(kIdCancel);
    return true;
  }
  return false;
}

void Dialog::OnTimer(int) {}

void Dialog::OnOK() {
  if (IsChild()) return;
  if (UpdateData(true)) EndDialog(kIdOk);
}

void Dialog::OnCancel() {
  if (IsChild()) return;
  EndDialog(kIdCancel);
}

bool Dialog::OnEraseBackground(Painter&) { return false; }
void Dialog::OnPaint(Painter&) {}
void Dialog::OnCtlColor(const Control*, ControlColors&) {}
Cursor Dialog::OnSetCursor(int) { return Cursor::Default; }
void Dialog::OnLButtonDown(Point) {}
void Dialog::OnSize(int, int) {}
void Dialog::OnSysCommand(int) {}
void Dialog::OnDestroy() {}

bool Dialog::UpdateData(bool save) {
  if (!m_created) return false;
  DataExchange dx(*this, save);
  DoDataExchange(dx);
  return !dx.Failed();
}

// --- handlers ---

void Dialog::On(int id, ui::Notify code, Handler handler) { m_handlers[{id, code}] = std::move(handler); }

void Dialog::OnCommand(int id, std::function<void()> handler) {
  On(id, Notify::Clicked, [h = std::move(handler)](Event&) { h(); });
}

// --- controls ---

Control* Dialog::Item(int id) {
  for (auto& c : m_controls)
    if (c->id == id) return c.get();
  return nullptr;
}

const Control* Dialog::Item(int id) const {
  for (const auto& c : m_controls)
    if (c->id == id) return c.get();
  return nullptr;
}

void Dialog::Changed(int id, Aspect aspect) {
  if (Host* h = CurrentOrNull()) h->Changed(*this, id, aspect);
}

void Dialog::SetItemText(int id, const std::string& text) {
  Control* c = Item(id);
  if (!c) return;
  c->text = text;
  Changed(id, Aspect::Text);
}

std::string Dialog::ItemText(int id) const {
  const Control* c = Item(id);
  return c ? c->text : std::string();
}

void Dialog::EnableItem(int id, bool enable) {
  Control* c = Item(id);
  if (!c || c->enabled == enable) return;
  c->enabled = enable;
  Changed(id, Aspect::Enabled);
}

bool Dialog::IsItemEnabled(int id) const {
  const Control* c = Item(id);
  return c && c->enabled;
}

void Dialog::ShowItem(int id, bool show) {
  Control* c = Item(id);
  if (!c || c->visible == show) return;
  c->visible = show;
  Changed(id, Aspect::Visible);
}

bool Dialog::IsItemVisible(int id) const {
  const Control* c = Item(id);
  return c && c->visible;
}

void Dialog::CheckItem(int id, int check) {
  Control* c = Item(id);
  if (!c) return;
  c->check = check;
  Changed(id, Aspect::Check);
}

int Dialog::IsItemChecked(int id) const {
  const Control* c = Item(id);
  return c ? c->check : 0;
}

bool Dialog::RadioGroup(int firstId, std::vector<Control*>& group) {
  group.clear();
  size_t i = 0;
  while (i < m_controls.size() && m_controls[i]->id != firstId) ++i;
  if (i == m_controls.size()) return false;
  for (size_t j = i; j < m_controls.size(); ++j) {
    if (j > i && (m_controls[j]->style & style::kGroup)) break;
    if (m_controls[j]->kind == ControlKind::RadioButton) group.push_back(m_controls[j].get());
  }
  return true;
}

void Dialog::CheckRadio(int id) {
  size_t i = 0;
  while (i < m_controls.size() && m_controls[i]->id != id) ++i;
  if (i == m_controls.size()) return;
  size_t start = i;
  while (start > 0 && !(m_controls[start]->style & style::kGroup)) --start;
  std::vector<Control*> group;
  RadioGroup(m_controls[start]->id, group);
  for (Control* c : group) {
    int want = c->id == id ? 1 : 0;
    if (c->check != want) {
      c->check = want;
      Changed(c->id, Aspect::Check);
    }
  }
}

int Dialog::RadioIndex(int firstId) const {
  std::vector<Control*> group;
  if (!const_cast<Dialog*>(this)->RadioGroup(firstId, group)) return -1;
  for (size_t k = 0; k < group.size(); ++k)
    if (group[k]->check) return static_cast<int>(k);
  return -1;
}

void Dialog::SetRadioIndex(int firstId, int index) {
  std::vector<Control*> group;
  if (!RadioGroup(firstId, group)) return;
  for (size_t k = 0; k < group.size(); ++k) {
    int want = static_cast<int>(k) == index ? 1 : 0;
    if (group[k]->check != want) {
      group[k]->check = want;
      Changed(group[k]->id, Aspect::Check);
    }
  }
}

void Dialog::SetItemFont(int id, const Font& font) {
  if (Control* c = Item(id)) {
    c->font = font;
    Changed(id, Aspect::Font);
  }
}

void Dialog::SetItemTooltip(int id, const std::string& text) {
  if (Control* c = Item(id)) {
    c->tooltip = text;
    Changed(id, Aspect::Tooltip);
  }
}

void Dialog::SetItemStyle(int id, unsigned add, unsigned remove) {
  if (Control* c = Item(id)) {
    c->style = (c->style & ~remove) | add;
    Changed(id, Aspect::Style);
  }
}

Rect Dialog::ItemRect(int id) const {
  const Control* c = Item(id);
  return c ? c->rect : Rect{};
}

void Dialog::MoveItem(int id, const Rect& r) {
  if (Control* c = Item(id)) {
    c->rect = r;
    Changed(id, Aspect::Geometry);
  }
}

void Dialog::InvalidateItem(int id, bool erase) {
  if (const Control* c = Item(id)) InvalidateRect(c->rect, erase);
}

void Dialog::SetFocusItem(int id) {
  if (!Item(id)) return;
  m_focusId = id;
  Changed(id, Aspect::Focus);
}

void Dialog::SelectAllText(int id) {
  if (Item(id)) Changed(id, Aspect::SelectAll);
}

// --- the window ---

void Dialog::SetWindowText(const std::string& text) {
  m_caption = text;
  Changed(0, Aspect::WindowText);
}

Rect Dialog::ClientRect() const {
  int w = m_windowRect.Width(), h = m_windowRect.Height();
  if (HasCaption(m_template) && !IsChild()) {
    w -= 2 * kFrameWidth;
    h -= kCaptionHeight + 2 * kFrameWidth;
  }
  return Rect{0, 0, std::max(0, w), std::max(0, h)};
}

void Dialog::SetWindowPos(const Rect& r) {
  m_windowRect = r;
  Changed(0, Aspect::WindowGeometry);
}

void Dialog::SetWindowSize(int width, int height) {
  SetWindowPos(Rect::FromSize(m_windowRect.left, m_windowRect.top, width, height));
}

void Dialog::ShowWindow(ShowMode mode) {
  switch (mode) {
    case ShowMode::Hide:
      m_visible = false;
      break;
    case ShowMode::Show:
      m_visible = true;
      break;
    case ShowMode::ShowNormal:
    case ShowMode::Restore:
      m_visible = true;
      m_minimized = false;
      break;
    case ShowMode::Minimize:
      m_visible = true;
      m_minimized = true;
      break;
  }
  Changed(0, Aspect::WindowShow);
}

void Dialog::BringToFront() { Changed(0, Aspect::Activate); }

void Dialog::SetIcon(int iconId) {
  m_iconId = iconId;
  Changed(0, Aspect::WindowIcon);
}

void Dialog::InvalidateRect(const Rect& r, bool erase) {
  if (Host* h = CurrentOrNull()) h->Invalidate(*this, r, erase);
}

void Dialog::BeginWindowDrag() {
  if (Host* h = CurrentOrNull()) h->BeginWindowDrag(*this);
}

void Dialog::AppendSystemMenu(int id, const std::string& text) { m_systemMenu.emplace_back(id, text); }

bool Dialog::SetTimer(int id, int ms) {
  Host* h = CurrentOrNull();
  return h && h->SetTimer(*this, id, ms);
}

bool Dialog::KillTimer(int id) {
  Host* h = CurrentOrNull();
  return h && h->KillTimer(*this, id);
}

// --- entry points ---

bool Dialog::KeyDown(const KeyEvent& key) {
  KeyEvent ev = key;
  if (const Control* focus = key.focusId ? Item(key.focusId) : nullptr)
    ev.focusWantsEnter = ev.focusWantsEnter || (focus->IsMultiline() && (focus->style & style::kWantReturn));
  for (Dialog* d = this; d; d = d->m_parent) {
    if (d->PreTranslateKey(ev)) return true;
    ev.focusId = 0;  // the focus is not on a control of the outer dialogs
  }
  return false;
}

bool Dialog::Click(int id) {
  Control* c = Item(id);
  if (!c || !c->enabled || !c->visible) return false;
  switch (c->kind) {
    case ControlKind::Button:
      break;
    case ControlKind::CheckBox:
      if (c->style & style::kAutoCheck) {
        c->check = c->check ? 0 : 1;
        Changed(id, Aspect::Check);
      }
      break;
    case ControlKind::RadioButton:
      if (c->style & style::kAutoCheck) CheckRadio(id);
      break;
    case ControlKind::Static:
    case ControlKind::Picture:
      if (!(c->style & style::kNotify)) return false;
      break;
    default:
      return false;
  }
  Event ev;
  ev.id = id;
  ev.code = Notify::Clicked;
  Notify(ev);
  return true;
}

bool Dialog::DoubleClick(int id, int row) {
  Control* c = Item(id);
  if (!c || !c->enabled || !c->visible) return false;
  if (c->kind == ControlKind::ListView && row >= 0) c->list.SelectOnly(row);
  Event ev;
  ev.id = id;
  ev.code = Notify::DoubleClicked;
  ev.row = row;
  Notify(ev);
  return true;
}

bool Dialog::ClickRow(int id, int row) {
  Control* c = Item(id);
  if (!c || c->kind != ControlKind::ListView || !c->enabled || !c->visible) return false;
  if (row >= 0) c->list.SelectOnly(row);
  Event ev;
  ev.id = id;
  ev.code = Notify::Clicked;
  ev.row = row;
  Notify(ev);
  return true;
}

bool Dialog::RightClick(int id, int row, Point screen) {
  Control* c = Item(id);
  if (!c || !c->enabled || !c->visible) return false;
  if (c->kind == ControlKind::ListView && row >= 0 && !c->list.IsSelected(row)) c->list.SelectOnly(row);
  Event ev;
  ev.id = id;
  ev.code = Notify::RightClicked;
  ev.row = row;
  ev.point = screen;
  Notify(ev);
  return true;
}

void Dialog::UserEdit(int id, const std::string& text) {
  Control* c = Item(id);
  if (!c || c->text == text) return;
  c->text = text;
  Event ev;
  ev.id = id;
  ev.code = Notify::Changed;
  Notify(ev);
}

void Dialog::UserSelectRow(int id, int row) {
  Control* c = Item(id);
  if (!c || c->kind != ControlKind::ListView) return;
  c->list.SelectOnly(row);
  Event ev;
  ev.id = id;
  ev.code = Notify::ItemChanged;
  ev.row = row;
  Notify(ev);
}

void Dialog::UserCheckRow(int id, int row, bool checked) {
  Control* c = Item(id);
  if (!c || c->kind != ControlKind::ListView || !c->list.SetCheck(row, checked)) return;
  Event ev;
  ev.id = id;
  ev.code = Notify::ItemChanged;
  ev.row = row;
  Notify(ev);
}

bool Dialog::UserClickColumn(int id, int column) {
  Control* c = Item(id);
  if (!c || c->kind != ControlKind::ListView || column < 0 || column >= c->list.ColumnCount()) return false;
  Event ev;
  ev.id = id;
  ev.code = Notify::ColumnClick;
  ev.column = column;
  Notify(ev);
  return true;
}

bool Dialog::UserSelectTab(int id, int index) {
  Control* c = Item(id);
  if (!c || c->kind != ControlKind::Tab || index < 0 || index >= static_cast<int>(c->tabs.size())) return false;
  Event changing;
  changing.id = id;
  changing.code = Notify::SelChanging;
  Notify(changing);
  if (changing.result != 0) {
    Changed(id, Aspect::Tabs);  // the host shows the old selection again
    return false;
  }
  c->tabSelection = index;
  Event changed;
  changed.id = id;
  changed.code = Notify::SelChanged;
  Notify(changed);
  return true;
}

void Dialog::UserFocus(int id) {
  if (id == m_focusId) return;
  int old = m_focusId;
  m_focusId = id;
  if (old && Item(old)) {
    Event ev;
    ev.id = old;
    ev.code = Notify::KillFocus;
    Notify(ev);
  }
  if (id && Item(id)) {
    Event ev;
    ev.id = id;
    ev.code = Notify::SetFocus;
    Notify(ev);
  }
}

void Dialog::SendCommand(int id) {
  Event ev;
  ev.id = id;
  ev.code = Notify::Clicked;
  Notify(ev);
}

void Dialog::SysCommand(int id) { OnSysCommand(id); }

void Dialog::Notify(Event& ev) {
  Control* c = Item(ev.id);
  if (c && c->binding && c->binding->OnReflect(ev)) return;
  auto it = m_handlers.find({ev.id, ev.code});
  if (it != m_handlers.end()) {
    Handler h = it->second;  // the handler may register others
    h(ev);
    return;
  }
  if (ev.code == Notify::Clicked) {
    if (ev.id == kIdOk) OnOK();
    else if (ev.id == kIdCancel) OnCancel();
  }
}

void Dialog::DispatchTimer(int id) {
  if (m_created) OnTimer(id);
}

void Dialog::Paint(Painter& painter) {
  if (!OnEraseBackground(painter)) {
    ControlColors colors = ColorsOf(nullptr);
    Rect client = ClientRect();
    if (colors.pattern) {
      painter.FillPattern(client, *colors.pattern);
    } else {
      painter.FillRect(client, colors.hasBackground ? colors.background : kFaceColor);
    }
  }
  OnPaint(painter);
}

void Dialog::DrawItem(int id, Painter& painter, const DrawItemState& state) {
  Control* c = Item(id);
  if (c && c->binding) c->binding->DrawItem(painter, state);
}

ControlColors Dialog::ColorsOf(const Control* control) {
  ControlColors colors;
  OnCtlColor(control, colors);
  return colors;
}

void Dialog::MouseMove(int id) {
  Control* c = Item(id);
  if (c && c->binding) c->binding->OnMouseMove();
}

void Dialog::MouseHover(int id) {
  Control* c = Item(id);
  if (c && c->binding) c->binding->OnMouseHover();
}

void Dialog::MouseLeave(int id) {
  Control* c = Item(id);
  if (c && c->binding) c->binding->OnMouseLeave();
}

void Dialog::LButtonDown(Point client) { OnLButtonDown(client); }

void Dialog::HostResized(int clientWidth, int clientHeight) {
  int w = clientWidth, h = clientHeight;
  if (HasCaption(m_template) && !IsChild()) {
    w += 2 * kFrameWidth;
    h += kCaptionHeight + 2 * kFrameWidth;
  }
  m_windowRect.right = m_windowRect.left + w;
  m_windowRect.bottom = m_windowRect.top + h;
  OnSize(clientWidth, clientHeight);
}

}  // namespace ui
