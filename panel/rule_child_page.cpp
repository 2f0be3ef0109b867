#include "panel/rule_child_page.h"

#include <algorithm>

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/rule_record.h"
#include "platform/ui/host.h"
#include "resources/panel_ruleext_ids.h"

CRuleChildPage::CRuleChildPage(int templateId, const RuleContext& context, std::vector<int> boxes,
                               std::vector<Link> links)
    : CRulePage(templateId, context), m_boxes(std::move(boxes)), m_links(std::move(links)) {
  OnCommand(res::panel::kIdcRulePageSave, [] {});
  for (const Link& link : m_links) {
    if (!link.helpPath) continue;
    const std::string path = link.helpPath;
    OnCommand(link.id, [path] { OpenHelp(path); });
  }
}

bool CRuleChildPage::PreTranslateKey(const ui::KeyEvent& key) {
  if (key.ctrl && key.key == ui::Key::A && key.focusId != 0 &&
      std::find(m_boxes.begin(), m_boxes.end(), key.focusId) != m_boxes.end()) {
    SelectAllText(key.focusId);
  }
  return CRulePage::PreTranslateKey(key);
}

bool CRuleChildPage::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Rgb(255, 255, 255));
  return true;
}

void CRuleChildPage::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control || !control->AsksStaticColors()) return;
  colors.transparent = true;
  if (FindLink(control->id)) colors.SetText(ui::Rgb(0, 0, 255));
}

ui::Cursor CRuleChildPage::OnSetCursor(int id) {
  const Link* link = FindLink(id);
  return link && link->helpPath ? ui::Cursor::Hand : ui::Cursor::Default;
}

std::string CRuleChildPage::HelpAddress(const std::string& path) {
  // Decoded on each use so the address never sits in memory as plain text.
  return DecodeBuiltinPair(coded::kProductAddress) + path;
}

void CRuleChildPage::OpenHelp(const std::string& path) { ui::ShellOpen(HelpAddress(path), "", "open", true); }

int CRuleChildPage::LoadChoice(const char* tag) const {
  return rule::ModeIndex(ReadRuleTag(tag));
}

const CRuleChildPage::Link* CRuleChildPage::FindLink(int id) const {
  for (const Link& link : m_links)
    if (link.id == id) return &link;
  return nullptr;
}
