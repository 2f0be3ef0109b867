#include "panel/prop_rule_base_base.h"

#include "platform/gbk.h"
#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
constexpr const char* kBlanks = " \t\r\n";
}  // namespace

int NoteTypeIndex(const std::string& ruleText) { return rule::GetNoteType(ruleText) - 1; }

void SelectAllOnCtrlA(ui::Dialog& page, const ui::KeyEvent& key, std::initializer_list<int> edits) {
  if (!key.ctrl || key.key != ui::Key::A) return;
  for (int id : edits) {
    if (id == key.focusId) {
      page.SelectAllText(id);
      return;
    }
  }
}

void PaintRulePageColors(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) {
    colors.SetBackground(ui::Color{255, 255, 255});
  } else if (control->AsksStaticColors()) {
    colors.transparent = true;
  }
}

CPropRuleBaseBase::CPropRuleBaseBase(const RuleContext& context) : CRulePage(kDlgRuleBase, context) {
  // The page saves only through the editor's own button.
  for (int id : {kIdcRulePageSave, int(kIdOk), kIdcBaseDead}) OnCommand(id, [] {});
}

bool CPropRuleBaseBase::OnInitDialog() {
  CRulePage::OnInitDialog();
  // A new rule shows the values it is saved with, its name included.
  const std::string shown = ShownRule();
  m_strName = rule::ReadTag(shown, rule::kName);
  m_nFileTypeMode = rule::ModeIndex(rule::ReadTag(shown, rule::kFileTypeAllowed));
  m_strFileTypes = rule::DecodeFileTypes(rule::ReadTag(shown, rule::kFileTypes));
  m_nNoteType = NoteTypeIndex(shown);
  m_strPassword = rule::ReadTag(shown, rule::kNotePassword);
  m_strUrl = rule::ReadTag(shown, rule::kNoteUrl);
  m_strWords = rule::ReadShownTag(shown, rule::kNoteWords);
  m_bAddWords = rule::IsFlagOn(rule::ReadTag(shown, rule::kAddWords));
  m_bSendReason = rule::IsFlagOn(rule::ReadTag(shown, rule::kSendReason));
  UpdateData(false);
  return true;
}

void CPropRuleBaseBase::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcBaseFileTypes, m_strFileTypes);
  dx.Radio(kIdcBaseFileTypeOnly, m_nFileTypeMode);
  dx.Text(kIdcBaseName, m_strName);
  dx.Radio(kIdcBaseNoteBlank, m_nNoteType);
  dx.Text(kIdcBasePassword, m_strPassword);
  dx.Text(kIdcBaseUrl, m_strUrl);
  dx.Text(kIdcBaseWords, m_strWords);
  dx.Check(kIdcBaseSendReason, m_bSendReason);
  dx.Check(kIdcBaseAddWords, m_bAddWords);
}

bool CPropRuleBaseBase::PreTranslateKey(const ui::KeyEvent& key) {
  SelectAllOnCtrlA(*this, key, {kIdcBaseName, kIdcBaseUrl, kIdcBasePassword, kIdcBaseWords});
  return CRulePage::PreTranslateKey(key);
}

void CPropRuleBaseBase::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  PaintRulePageColors(control, colors);
}

bool CPropRuleBaseBase::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Color{255, 255, 255});
  return true;
}

bool CPropRuleBaseBase::IsNameTaken(const std::string& name) const {
  const CConfig& config = Config();
  int index = 0;
  for (const std::string& other : config.m_listRules) {
    if (index++ == config.m_nEditIndex) continue;
    if (rule::ReadTag(other, rule::kName) == name) return true;
  }
  return false;
}

bool CPropRuleBaseBase::SaveRule() {
  if (!UpdateData(true)) return false;
  m_strName = gbk::Trim(m_strName, kBlanks);
  m_strPassword = gbk::Trim(m_strPassword, kBlanks);
  if (m_strName.empty()) {
    ShowMessageBox("请输入需要任务标题，并不要和其他任务重名。", "Qor", kMbOk | kMbIconError);
    return false;
  }
  switch (m_nNoteType) {
    case 1:
      if (gbk::CharCount(m_strPassword) < 4) {
        ShowMessageBox("请输入不少于4位的登录密码。", "错误", kMbOk | kMbIconError);
        return false;
      }
      break;
    case 2:
      if (gbk::CharCount(m_strUrl) < 4) {
        ShowMessageBox("请输入跳转页面地址，如：http://www.example.com/", "错误", kMbOk | kMbIconError);
        return false;
      }
      m_strUrl = rule::EncodeNoteUrl(m_strUrl, rule::kNoteRedirect);
      SetItemText(kIdcBaseUrl, m_strUrl);
      break;
    case 3:
      if (m_strWords.empty()) {
        ShowMessageBox("请输入拦截时提示的文字，支持js。", "错误", kMbOk | kMbIconError);
        return false;
      }
      break;
    default:
      break;
  }
  if (IsNameTaken(m_strName)) {
    ShowMessageBox("任务名重复，请输入其他任务名。", "Qor", kMbOk | kMbIconError);
    return false;
  }
  static const char* const kNoteTypes[] = {"1", "2", "3", "4"};
  const int noteType = (m_nNoteType >= 0 && m_nNoteType <= 3) ? m_nNoteType : 3;
  const std::pair<const char*, std::string> tags[] = {
      {rule::kName, m_strName},
      {rule::kFileTypeAllowed, rule::ModeText(m_nFileTypeMode)},
      {rule::kFileTypes, rule::EncodeFileTypes(m_strFileTypes)},
      {rule::kNoteType, kNoteTypes[noteType]},
      {rule::kNotePassword, m_strPassword},
      {rule::kNoteUrl, m_strUrl},
      {rule::kNoteWords, m_strWords},
      {rule::kAddWords, rule::FlagText(m_bAddWords)},
      {rule::kSendReason, rule::FlagText(m_bSendReason)},
  };
  // Every value is checked before the first is written, so a refusal leaves the rule as it was.
  for (const auto& [tag, value] : tags) {
    const std::string refused = rule::CheckValue(value);
    if (!refused.empty()) {
      ShowMessageBox(refused, "错误", kMbOk | kMbIconError);
      return false;
    }
  }
  for (const auto& [tag, value] : tags) {
    if (!WriteRuleTag(tag, value)) return false;
  }
  return true;
}
