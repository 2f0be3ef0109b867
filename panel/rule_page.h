#pragma once
// What every page of the rule editor is: a child page that reads its tags from the
// rule under edit when it is set up and writes them when the editor saves.
#include <atomic>
#include <string>

#include "common/config.h"
#include "platform/ui/dialog.h"
#include "platform/ui/font.h"

// The state the rule list, the editor and its pages share. The panel's own is made
// from its globals (PanelRuleContext); tests make their own.
struct RuleContext {
  CConfig& config;                     // m_listRules, m_strEditRule, m_strEditName, m_nEditIndex
  const std::atomic<bool>& ipLibUpdating;  // rule changes are refused while set
  std::atomic<int>& needRestartIis;    // 1: a saved change waits for an IIS restart
  std::string& siteDomains;            // what the URL page and the site picker exchange
  ui::Font enableFont;                 // the editor's "开启任务" box
};

// The panel's context, on its globals.
RuleContext PanelRuleContext();

class CRulePage : public ui::Dialog {
 public:
  CRulePage(int templateId, const RuleContext& context) : ui::Dialog(templateId), m_context(context) {}

  // Takes the page's values, checks them and writes its tags into the rule under edit.
  // False when a value is refused; the page has told the user and the save stops.
  // Pages that store nothing keep this.
  virtual bool SaveRule() { return true; }

 protected:
  const RuleContext& Context() const { return m_context; }
  CConfig& Config() const { return m_context.config; }
  const std::string& EditRule() const { return m_context.config.m_strEditRule; }
  bool IsNewRule() const { return m_context.config.m_strEditRule.empty(); }
  // The rule the page shows: the rule under edit, or for a new rule the text a new
  // rule is saved as, so that every page takes its new-rule values from one place.
  std::string ShownRule() const;
  // The tag's value in the shown rule as stored (missing: empty).
  std::string ReadRuleTag(const char* tag) const;
  // Writes the tag into the rule under edit. A value the record cannot hold (it would
  // break the rule or the store) is refused with an error box naming it: false.
  bool WriteRuleTag(const char* tag, const std::string& value);

 private:
  RuleContext m_context;
};
