#include "panel/rule_page_holder.h"

#include "platform/ui/data_exchange.h"

namespace {
constexpr ui::Rect kPageRect{96, 4, 96 + 750, 4 + 403};
}  // namespace

CRulePageHolder::CRulePageHolder(int templateId, std::vector<std::unique_ptr<CRulePage>> pages,
                                 std::vector<Button> buttons)
    : ui::Dialog(templateId), m_pages(std::move(pages)), m_buttons(std::move(buttons)) {
  for (const Button& b : m_buttons) {
    m_hover.push_back(std::make_unique<CHoverButton>());
    if (b.page >= 0) {
      const int index = b.page;
      OnCommand(b.id, [this, index] { OnShowPage(index); });
    }
  }
}

void CRulePageHolder::DoDataExchange(ui::DataExchange& dx) {
  for (size_t i = 0; i < m_buttons.size(); ++i) dx.Control(m_buttons[i].id, *m_hover[i]);
}

bool CRulePageHolder::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  for (auto& page : m_pages) {
    if (!page->Create(this)) continue;
    page->SetWindowPos(kPageRect);
    page->ShowWindow(ui::ShowMode::Hide);
  }
  if (!m_pages.empty()) {
    m_current = m_pages.front().get();
    m_current->ShowWindow(ui::ShowMode::Show);
  }
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    m_hover[i]->LoadBitmaps(m_buttons[i].bitmapId);
    m_hover[i]->SetToolTipText(m_buttons[i].tooltip);
  }
  return true;
}

void CRulePageHolder::OnShowPage(int index) {
  CRulePage* wanted = Page(index);
  if (!wanted || (wanted == m_current && wanted->IsVisible())) return;
  if (m_current) m_current->ShowWindow(ui::ShowMode::Hide);
  m_current = wanted;
  m_current->ShowWindow(ui::ShowMode::Show);
}

bool CRulePageHolder::SaveRules() {
  for (auto& page : m_pages) {
    if (!page->SaveRule()) return false;
  }
  return true;
}

CRulePage* CRulePageHolder::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return m_pages[index].get();
}

bool CRulePageHolder::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Color{255, 255, 255});
  return true;
}

void CRulePageHolder::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) {
    colors.SetBackground(ui::Color{255, 255, 255});
  } else {
    colors.transparent = true;
  }
}
