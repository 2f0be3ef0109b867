#include "panel/prop_rule_base_note.h"

#include "common/rule_record.h"
#include "panel/prop_rule_base_base.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

CPropRuleBaseNote::CPropRuleBaseNote(const RuleContext& context) : CRulePage(kDlgRuleNotice, context) {}

bool CPropRuleBaseNote::OnInitDialog() {
  CRulePage::OnInitDialog();
  // This page's new rule shows the words an empty value stands for, not the new-rule text.
  const std::string shown = IsNewRule() ? std::string() : EditRule();
  m_nNoteType = NoteTypeIndex(shown);
  m_strPassword = rule::ReadTag(shown, rule::kNotePassword);
  m_strUrl = rule::ReadTag(shown, rule::kNoteUrl);
  m_strWords = rule::ReadShownTag(shown, rule::kNoteWords);
  UpdateData(false);
  return true;
}

void CPropRuleBaseNote::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcNotePassword, m_strPassword);
  dx.Text(kIdcNoteUrl, m_strUrl);
  dx.Text(kIdcNoteWords, m_strWords);
  dx.Radio(kIdcNoteBlank, m_nNoteType);
}

bool CPropRuleBaseNote::PreTranslateKey(const ui::KeyEvent& key) {
  SelectAllOnCtrlA(*this, key, {kIdcNoteUrl, kIdcNotePassword, kIdcNoteWords});
  return CRulePage::PreTranslateKey(key);
}

void CPropRuleBaseNote::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  PaintRulePageColors(control, colors);
}

bool CPropRuleBaseNote::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Color{255, 255, 255});
  return true;
}
