#pragma once
// A group of rule pages: page buttons in a column on the left, one page shown beside
// them at a time. The group's pages save in the order they were made.
#include <memory>
#include <vector>

#include "panel/hover_button.h"
#include "panel/rule_page.h"

class CRulePageHolder : public ui::Dialog {
 public:
  struct Button {
    int id;
    int bitmapId;
    const char* tooltip;
    int page;  // index into the pages, -1 for none
  };

  CRulePageHolder(int templateId, std::vector<std::unique_ptr<CRulePage>> pages, std::vector<Button> buttons);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;

  // Hides the current page and shows the wanted one, unless it is already shown.
  void OnShowPage(int index);
  // Every page's save in order; false at the first refusal.
  bool SaveRules();

  CRulePage* Page(int index) const;
  CRulePage* CurrentPage() const { return m_current; }
  int PageCount() const { return static_cast<int>(m_pages.size()); }

 private:
  std::vector<std::unique_ptr<CRulePage>> m_pages;
  std::vector<Button> m_buttons;
  std::vector<std::unique_ptr<CHoverButton>> m_hover;
  CRulePage* m_current = nullptr;
};
